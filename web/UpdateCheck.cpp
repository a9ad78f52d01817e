#include "web/UpdateCheck.h"

#include "framework/ui/Platform.h"
#include "net/Nmhttp.h"
#include "web/Handoff.h"
#include "web/WebHost.h"
#include "web/WebRequests.h"
#include "web/WebText.h"

void CheckForUpdates(TWebHost& host, const std::string& updateFileUrl,
                     const std::string& downloadPageUrl) {
    TNMHTTP& http = host.Http();
    TWebRequests& requests = host.Requests();
    requests.Run([&] { http.Get(updateFileUrl); });
    if (requests.Ended()) {
        return;
    }
    RequireWholeBody(http);
    const QString title = QStringLiteral("Pennivale Update");
    if (!UpdateAvailable(http.Body)) {
        Platform().MessageBox(nullptr, QStringLiteral("There are not Updates!"), title,
                              TMsgButtons::Ok, TMsgIcon::None);
        return;
    }
    if (Platform().MessageBox(
            nullptr, QStringLiteral("There are Updates! Do you want to go to the Download Page?"),
            title, TMsgButtons::YesNo, TMsgIcon::None) == TModalResult::Yes) {
        HandOff(downloadPageUrl);
    }
}
