#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

#include "core/Vocabulary.h"

class QAbstractButton;
class QLabel;
class QPlainTextEdit;

namespace tv {

class PillButton;
class Settings;
class Site;
class Spinner;
class StarPicker;

// The rating form: stars, an optional comment and "Send review"; after the site accepts
// the review, a thank-you. A failed send keeps the stars and the comment for "Try again".
// "Back", "Done" and Escape emit `back`.
class ReviewPage : public QWidget {
    Q_OBJECT
  public:
    struct Parts {
        Settings& settings;
        Site& site;
        QString version;  // this program's version
        QString os;       // the operating system, as the review reports it
        const Vocabulary& words;
        // Opens a link with the desktop's handler (the support e-mail).
        std::function<void(const QUrl&)> openUrl;
        // Plays a click sound by name.
        std::function<void(const char*)> play;
    };

    ReviewPage(Parts parts, int stars, QWidget* parent = nullptr);

    // "Choose a rating", "Not for me", … "Love it" for 0 … 5 stars.
    static QString ratingWord(int stars);

    int stars() const { return stars_; }
    bool sending() const { return sending_; }
    bool sent() const { return sent_; }
    bool failed() const { return failed_; }

    // Sends the review, as the button and Ctrl+Return do; nothing with no stars or while a
    // send is under way.
    void send();
    // The thank-you for the stars chosen, as after a send the site accepted; nothing is sent
    // or recorded (pictures of the form).
    void showSent();

  signals:
    void back();
    // The site accepted a review of this many stars.
    void reviewSent(int stars);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildForm();
    QWidget* buildThanks();
    void setStars(int stars);
    void refresh();

    Parts parts_;
    int stars_;
    bool sending_ = false;
    bool sent_ = false;
    bool failed_ = false;

    QWidget* form_ = nullptr;
    StarPicker* picker_ = nullptr;
    QLabel* word_ = nullptr;
    QLabel* prompt_ = nullptr;
    QPlainTextEdit* comment_ = nullptr;
    QWidget* failure_ = nullptr;
    PillButton* sendButton_ = nullptr;
    Spinner* spinner_ = nullptr;
    QWidget* thanks_ = nullptr;
    QLabel* thanksText_ = nullptr;
    QAbstractButton* writeToSupport_ = nullptr;
};

}  // namespace tv
