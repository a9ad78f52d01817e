#pragma once

#include <QDialog>
#include <QPointer>
#include <QProgressBar>

class QLabel;
class QLineEdit;
class QPushButton;
class TNMHTTP;
class TWebHost;
class TfrmNew;

// A progress bar that keeps its position within its range, whatever it is
// told: a smaller maximum pulls the position down to it, and a range of 0 to
// 0 shows an empty bar. A transfer of unknown length shows as busy.
class TProgressBar : public QProgressBar {
public:
    explicit TProgressBar(QWidget* parent = nullptr);

    int Min() const { return 0; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    bool Busy() const { return busy_; }
    // Sets the maximum; a busy bar stops being busy.
    void SetMax(int max);
    // The bytes received so far against the length announced; busy, at 0 of
    // 0, while no length is known.
    void ShowBytes(int received, int total);

private:
    void showPosition();

    int max_ = 100;
    int position_ = 0;
    bool busy_ = false;
};

// The import dialog: a URL, Import and Cancel, and the progress of the
// transfer. Modeless; it lives for the whole run and closing it only hides
// it, so the URL and the progress stay for its next showing.
class TfrmImport : public QDialog {
    Q_OBJECT
public:
    TfrmImport(QWidget* owner, TWebHost& host);
    ~TfrmImport() override;

    QLabel& Label1() const { return *label1_; }
    QLineEdit& Edit1() const { return *edit1_; }
    QPushButton& Button1() const { return *button1_; }
    QPushButton& Button2() const { return *button2_; }
    QLabel& Label2() const { return *label2_; }
    TProgressBar& ProgressBar() const { return *progressBar_; }

    // Shows the dialog centred on the screen, or brings it forward, with the
    // URL selected for typing over. `made` is a new empty window opened for
    // the import: when the dialog hides without a body put into it, it
    // closes again.
    void ShowImport(TfrmNew* made = nullptr);

    // Import: fetches the typed URL and puts the body into the window that
    // CurrentDocument names when the transfer is over, then hides the
    // dialog. A failure that raises (a reply of 400 or above among them)
    // leaves the window as it was and the dialog open.
    void Button1Click();
    // The client received a block: while an import runs, the bar shows its
    // bytes. The update check's transfers leave the bar alone.
    void PacketReceived(const TNMHTTP& http);
    // Cancel: ends a running transfer at once, then hides the dialog. What
    // of the body had arrived is imported, and a message says how much; when
    // nothing had, the window stays as it was.
    void Button2Click();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    // Closes the window made for the import while it is still empty and
    // unchanged.
    void dropUnusedWindow();

    TWebHost& host_;
    QPointer<TfrmNew> made_;
    QLabel* label1_;
    QLineEdit* edit1_;
    QPushButton* button1_;
    QPushButton* button2_;
    QLabel* label2_;
    TProgressBar* progressBar_;
    bool importing_ = false;
};

// The one import dialog, made at start-up after the about box; null before
// and after.
extern TfrmImport* frmImport;
