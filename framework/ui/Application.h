#pragma once

#include <QObject>
#include <QString>
#include <exception>
#include <functional>
#include <string>

// The application object: title, message pump, hint event, and the one
// dispatch through which every command runs.
class TApplication : public QObject {
    Q_OBJECT
public:
    TApplication();
    ~TApplication() override;

    const QString& Title() const { return title_; }
    void SetTitle(const QString& title);

    // Dispatches every waiting event, then returns.
    void ProcessMessages();

    // The current hint; setting a different one raises OnHint.
    const QString& Hint() const { return hint_; }
    void SetHint(const QString& hint);

    // Runs a command; whatever it raises is shown in the error box and the
    // program goes on.
    void Dispatch(const std::function<void()>& command);

    // The default error box: stop icon, the title as caption, the message
    // with a full stop added when it has none, an OK button.
    void ShowException(const std::exception& error);
    static QString ErrorBoxText(const std::string& message);

    // Runs the message loop until the main window closes.
    int Run();

signals:
    void OnHint(const QString& hint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString title_;
    QString hint_;
};

// The one application object; created by main() (or a test) after QApplication.
TApplication& Application();
