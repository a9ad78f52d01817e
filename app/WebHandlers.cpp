// The web commands of the main window: import, update check, preview, mail,
// home page and about box. The work is done in web/.
#include "app/Main.h"
#include "net/Nmhttp.h"
#include "web/Handoff.h"
#include "web/Site.h"
#include "web/Unit3.h"
#include "web/Unit4.h"
#include "web/UpdateCheck.h"
#include "web/WebRequests.h"

void TMainForm::createWebComponents() {
    NMHTTP = new TNMHTTP(this);
    NMHTTP->setObjectName(QStringLiteral("NMHTTP"));
    NMHTTP->Port = 80;
    NMHTTP->TimeOut = 20000;
    NMHTTP->ReportLevel = 0;
    NMHTTP->Body = "update.txt";
    NMHTTP->Header = "Head.txt";
    NMHTTP->OnPacketRecvd = [this](QObject*) { NMHTTPPacketRecvd(); };
    requests_ = new TWebRequests(*NMHTTP, this);
}

bool TMainForm::closeAfterRunningRequest() {
    if (!requests_->Running()) {
        return false;
    }
    // The transfer ends first, as Cancel ends it; the usual close, with its
    // questions about changed documents, follows once the command is over.
    requests_->End();
    requests_->WhenIdle([this] { close(); });
    return true;
}

void TMainForm::ImportfromWeb1Click() {
    TfrmNew* window = Files.FileNew();
    if (frmImport) {
        frmImport->ShowImport(window);
    }
}

void TMainForm::NMHTTPPacketRecvd() {
    if (frmImport) {
        frmImport->PacketReceived(*NMHTTP);
    }
}

void TMainForm::CheckforUpdates1Click() {
    CheckForUpdates(*this, UpdateFileUrl(), DownloadPageUrl());
}

void TMainForm::PreviewWebPage1Click() {
    onActiveDocument([this](TfrmNew& window) { PreviewDocument(Files, window); });
}

void TMainForm::mnuSendbyEmailClick() {
    onActiveDocument([](TfrmNew& window) { SendByEmail(window); });
}

void TMainForm::SpeedButton124Click() {
    OpenHomePage();
}

void TMainForm::About1Click() {
    if (frmAbout) {
        frmAbout->ShowAbout();
    }
}
