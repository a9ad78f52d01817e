#pragma once

#include <QDialog>

class QColor;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The about box: name, version and description, a green credit line that
// scrolls in from the right and then alternates between the author's name
// and e-mail address, a link to the web site, and OK. Modeless; it lives for
// the whole run and closing it only hides it. Its timer runs from creation,
// shown or not.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* owner);
    ~TfrmAbout() override;

    QLabel& Label1() const { return *label1_; }
    QLabel& titolo() const { return *titolo_; }
    QTimer& Timer1() const { return *timer1_; }
    QLineEdit& anim() const { return *anim_; }
    QLineEdit& Edit1() const { return *edit1_; }
    QLabel& Label2() const { return *label2_; }
    QPushButton& OKButton() const { return *okButton_; }
    // 1 or 2: which text the next turn of the credit line shows.
    int CreditCounter() const { return credits_; }

    // Shows the box, or brings it forward; the line stays where it was.
    void ShowAbout();

    void Timer1Timer();
    // A new mail to the author.
    void animClick();
    // The product's web page.
    void Label2Click();
    void OKButtonClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* label1_;
    QLabel* titolo_;
    QTimer* timer1_;
    QLineEdit* anim_;
    QLineEdit* edit1_;
    QLabel* label2_;
    QPushButton* okButton_;
    int credits_ = 1;
};

// How far apart two colours stand for reading, 1 to 21 (the usual
// luminance contrast ratio).
double ContrastRatio(const QColor& a, const QColor& b);

// The one about box, made at start-up after the cipher dialog; null before
// and after.
extern TfrmAbout* frmAbout;
