#include "ui/feedback/ReviewPage.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "feedback/Reviews.h"
#include "ui/PageSymbols.h"
#include "ui/controls/BackButton.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/PanelStyle.h"
#include "ui/controls/Toggles.h"
#include "ui/feedback/StarPicker.h"

namespace tv {

namespace {

bool isSendKey(const QKeyEvent& key) {
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
           (key.modifiers() & Qt::ControlModifier);
}

QLabel* label(const QString& text, const QFont& font, QWidget* parent, bool secondary = false) {
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    l->setWordWrap(true);
    if (secondary) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, PanelStyle::secondary(*l));
        l->setPalette(pal);
    }
    return l;
}

// A symbol drawn in one colour at a fixed size.
class SymbolMark : public QWidget {
  public:
    SymbolMark(std::string name, QColor color, int size, QWidget* parent)
        : QWidget(parent), name_(std::move(name)), color_(color) {
        setFixedSize(size, size);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(color_);
        p.drawPath(PageSymbols::path(name_, QRectF(rect())));
    }

  private:
    std::string name_;
    QColor color_;
};

}  // namespace

QString ReviewPage::ratingWord(int stars) {
    static const char* words[] = {"Choose a rating", "Not for me", "Needs work",
                                  "It's okay",       "Good",       "Love it"};
    return QString::fromLatin1(words[std::clamp(stars, 0, 5)]);
}

ReviewPage::ReviewPage(Parts parts, int stars, QWidget* parent)
    : QWidget(parent), parts_(std::move(parts)), stars_(std::clamp(stars, 0, 5)) {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    auto* backButton = new BackButton(this);
    connect(backButton, &QAbstractButton::clicked, this, &ReviewPage::back);
    header->addWidget(backButton);
    header->addWidget(
        label(QStringLiteral("Rate TallyVane"), PanelStyle::font(16, QFont::DemiBold), this));
    header->addStretch(1);
    page->addLayout(header);

    form_ = buildForm();
    page->addWidget(form_);
    thanks_ = buildThanks();
    page->addWidget(thanks_);
    page->addStretch(1);
    refresh();
}

QWidget* ReviewPage::buildForm() {
    auto* form = new QWidget(this);
    auto* column = new QVBoxLayout(form);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    picker_ = new StarPicker(22, form);
    picker_->setStars(stars_);
    connect(picker_, &StarPicker::picked, this, [this](int n) {
        if (parts_.play) {
            parts_.play("Select");
        }
        setStars(n);
    });
    column->addWidget(picker_, 0, Qt::AlignLeft);
    word_ = label({}, PanelStyle::font(13, QFont::Medium), form);
    column->addWidget(word_);

    auto* promptRow = new QHBoxLayout;
    prompt_ = label({}, PanelStyle::font(11, QFont::Medium), form);
    promptRow->addWidget(prompt_, 1);
    promptRow->addWidget(label(QStringLiteral("Optional"), PanelStyle::font(10), form, true));
    column->addLayout(promptRow);

    comment_ = new QPlainTextEdit(form);
    comment_->setFont(PanelStyle::font(11));
    comment_->setTabChangesFocus(true);
    comment_->setFixedHeight(96);
    comment_->installEventFilter(this);
    column->addWidget(comment_);

    column->addWidget(label(QStringLiteral("Sent with your TallyVane and %1 versions. Nothing "
                                           "else about you or your %2.")
                                .arg(QString::fromStdString(parts_.words.system),
                                     QString::fromStdString(parts_.words.computer)),
                            PanelStyle::font(10), form, true));

    failure_ = new QWidget(form);
    auto* failureRow = new QHBoxLayout(failure_);
    failureRow->setContentsMargins(0, 0, 0, 0);
    failureRow->setSpacing(5);
    failureRow->addWidget(
        new SymbolMark("exclamationmark.circle.fill", QColor(255, 149, 0), 12, failure_));
    failureRow->addWidget(
        label(QStringLiteral("Couldn't send. Check your connection and try again."),
              PanelStyle::font(11), failure_),
        1);
    column->addWidget(failure_);

    auto* sendRow = new QHBoxLayout;
    sendButton_ = new PillButton(QStringLiteral("Send review"), false, form);
    connect(sendButton_, &QAbstractButton::clicked, this, &ReviewPage::send);
    sendRow->addWidget(sendButton_);
    spinner_ = new Spinner(form);
    spinner_->setFixedWidth(60);
    sendRow->addWidget(spinner_);
    sendRow->addStretch(1);
    column->addLayout(sendRow);
    return form;
}

QWidget* ReviewPage::buildThanks() {
    auto* thanks = new QWidget(this);
    auto* column = new QVBoxLayout(thanks);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(label(QStringLiteral("Thanks for your review"),
                            PanelStyle::font(13, QFont::DemiBold), thanks));
    thanksText_ = label({}, PanelStyle::font(11), thanks, true);
    column->addWidget(thanksText_);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    auto* done = new PillButton(QStringLiteral("Done"), false, thanks);
    connect(done, &QAbstractButton::clicked, this, &ReviewPage::back);
    buttons->addWidget(done);
    writeToSupport_ = new PillButton(QStringLiteral("Write to Support"), false, thanks);
    connect(writeToSupport_, &QAbstractButton::clicked, this, [this] {
        if (parts_.openUrl) {
            parts_.openUrl(Reviews::supportMail(parts_.version));
        }
    });
    buttons->addWidget(writeToSupport_);
    buttons->addStretch(1);
    column->addLayout(buttons);
    return thanks;
}

void ReviewPage::setStars(int stars) {
    stars_ = std::clamp(stars, 0, 5);
    refresh();
}

void ReviewPage::send() {
    if (stars_ < 1 || sending_ || sent_) {
        return;
    }
    sending_ = true;
    failed_ = false;
    comment_->clearFocus();
    refresh();
    Review review = Reviews::make(stars_, comment_->toPlainText(), parts_.version, parts_.os);
    // The review's stars are recorded by `submit` on any acceptance, also when the panel
    // closed meanwhile; this page hears back only while it exists.
    Reviews::submit(parts_.site, parts_.settings, review, this,
                    [this, stars = review.stars](std::optional<QString> error) {
                        sending_ = false;
                        if (error) {
                            failed_ = true;
                        } else {
                            sent_ = true;
                            emit reviewSent(stars);
                        }
                        refresh();
                    });
}

void ReviewPage::showSent() {
    sent_ = true;
    refresh();
}

void ReviewPage::refresh() {
    form_->setVisible(!sent_);
    thanks_->setVisible(sent_);

    picker_->setStars(stars_);
    word_->setText(ratingWord(stars_));
    prompt_->setText(stars_ == 5 ? QStringLiteral("What do you like most?")
                                 : QStringLiteral("What would make it better?"));
    comment_->setAccessibleName(prompt_->text());
    failure_->setVisible(failed_);
    sendButton_->setText(failed_ ? QStringLiteral("Try again") : QStringLiteral("Send review"));
    sendButton_->setEnabled(stars_ > 0);
    sendButton_->setToolTip(stars_ > 0 ? QStringLiteral("Send (Ctrl+Return)")
                                       : QStringLiteral("Choose a rating first"));
    sendButton_->setVisible(!sending_);
    sendButton_->updateGeometry();
    spinner_->setVisible(sending_);
    spinner_->setTurning(sending_);

    bool low = stars_ <= 3;
    thanksText_->setText(low ? QStringLiteral("Every review is read. If something isn't working, "
                                              "write to Support and you'll get a reply.")
                             : QStringLiteral("It helps more than you'd think. Every review is "
                                              "read."));
    writeToSupport_->setVisible(low);
}

void ReviewPage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        emit back();
        return;
    }
    if (isSendKey(*event)) {
        send();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool ReviewPage::eventFilter(QObject* watched, QEvent* event) {
    // In the comment field Ctrl+Return sends instead of starting a new line.
    if (watched == comment_ && event->type() == QEvent::KeyPress &&
        isSendKey(*static_cast<QKeyEvent*>(event))) {
        send();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tv
