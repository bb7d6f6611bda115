#include "ui/feedback/CrashNotice.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFileInfo>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "feedback/CrashOffer.h"
#include "feedback/Crashes.h"
#include "platform/FileManager.h"
#include "ui/Symbols.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/PanelStyle.h"
#include "ui/controls/Toggles.h"

namespace tv {

namespace {

const QColor red(255, 59, 48);

// The title's warning sign, drawn at the title's height in the system's warning yellow.
class WarningMark : public QWidget {
  public:
    explicit WarningMark(QWidget* parent) : QWidget(parent) {
        QSizeF natural = Symbols::naturalSize("exclamationmark.triangle.fill");
        setFixedSize(static_cast<int>(std::ceil(natural.width() * 13 / natural.height())), 13);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 204, 0));
        p.drawPath(Symbols::path("exclamationmark.triangle.fill", QRectF(rect())));
    }
};

}  // namespace

CrashNotice::CrashNotice(Parts parts, QWidget* parent)
    : QWidget(parent), parts_(std::move(parts)), shut_(Spring{0.3, 1}) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(6);
    titleRow->addWidget(new WarningMark(this));
    auto* title = new QLabel(QStringLiteral("TallyVane quit unexpectedly"), this);
    title->setFont(PanelStyle::font(11, QFont::DemiBold));
    titleRow->addWidget(title, 1);
    column->addLayout(titleRow);

    body_ = new QLabel(this);
    body_->setFont(PanelStyle::font(10));
    body_->setWordWrap(true);
    column->addWidget(body_);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    sendButton_ = new PillButton(QStringLiteral("Send report"), false, this);
    connect(sendButton_, &QAbstractButton::clicked, this, &CrashNotice::send);
    buttons->addWidget(sendButton_);
    declineButton_ = new PillButton(QStringLiteral("Don't send"), false, this);
    declineButton_->setAccessibleName(declineButton_->text());
    connect(declineButton_, &QAbstractButton::clicked, this, &CrashNotice::decline);
    buttons->addWidget(declineButton_);
    // While sending, a spinner in a 60 × 22 frame takes the place of both buttons.
    sendingFrame_ = new QWidget(this);
    sendingFrame_->setFixedSize(60, 22);
    auto* frameRow = new QHBoxLayout(sendingFrame_);
    frameRow->setContentsMargins(0, 0, 0, 0);
    spinner_ = new Spinner(sendingFrame_);
    spinner_->setFixedSize(spinner_->sizeHint());
    spinner_->setAccessibleName(QStringLiteral("Sending"));
    frameRow->addWidget(spinner_, 0, Qt::AlignCenter);
    buttons->addWidget(sendingFrame_);
    buttons->addStretch(1);
    auto* show = new PillButton(QStringLiteral("Show report"), false, this);
    show->setAccessibleName(show->text());
    show->setToolTip(QStringLiteral("Shows the file in %1. It opens in %2.")
                         .arg(QString::fromStdString(parts_.words.fileManager),
                              QString::fromStdString(parts_.words.reportViewer)));
    show->setAccessibleDescription(show->toolTip());
    connect(show, &QAbstractButton::clicked, this, &CrashNotice::reveal);
    buttons->addWidget(show);
    column->addLayout(buttons);

    connect(&shut_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        double open = std::clamp(v.toDouble(), 0.0, 1.0);
        // Only while it fades: effects do not nest, and the footer around it may have one.
        if (!opacity_) {
            opacity_ = new QGraphicsOpacityEffect(this);
            setGraphicsEffect(opacity_);
        }
        opacity_->setOpacity(open);
        setMaximumHeight(static_cast<int>(std::lround(openHeight_ * open)));
    });
    connect(&shut_, &QAbstractAnimation::finished, this, [this] {
        hide();
        emit dismissed();
    });

    hide();
    refresh();
}

bool CrashNotice::appear() {
    if (sending_) {
        return true;  // the report being sent stays the one on offer
    }
    Date since = CrashOffer::since(parts_.settings, parts_.clock());
    if (auto found = Crashes::newest(since, parts_.folder)) {
        report_ = found->name;
        written_ = found->date;
    } else {
        report_.reset();
        written_ = Date::min();
    }
    failed_ = false;
    // Open again in full, should the notice have sprung shut before.
    shut_.stop();
    setGraphicsEffect(nullptr);
    setMaximumHeight(QWIDGETSIZE_MAX);
    refresh();
    return report_.has_value();
}

void CrashNotice::send() {
    if (!report_ || sending_) {
        return;
    }
    sending_ = true;
    failed_ = false;
    refresh();
    // The offer records an accepted report itself, so closing the panel mid-send loses no
    // answer; it calls back only while this notice exists.
    CrashOffer::send(parts_.site, parts_.settings, *report_, written_, this,
                     [this](std::optional<QString> error) {
                         sending_ = false;
                         if (error) {
                             failed_ = true;
                             refresh();
                         } else {
                             shut();
                         }
                     });
}

void CrashNotice::decline() {
    if (!report_ || sending_) {
        return;
    }
    CrashOffer::recordAnswer(parts_.settings, written_);
    shut();
}

void CrashNotice::shut() {
    report_.reset();
    // The notice stays drawn as it was while it springs shut; `report` is already gone.
    openHeight_ = std::max(height(), sizeHint().height());
    shut_.retarget(1.0, 0.0);
}

void CrashNotice::reveal() {
    if (!report_) {
        return;
    }
    QUrl folder = QUrl::fromLocalFile(QFileInfo(QString::fromStdString(*report_)).absolutePath());
    auto openFolder = [open = parts_.openUrl, folder] {
        if (open) {
            open(folder);
        } else {
            QDesktopServices::openUrl(folder);
        }
    };
    if (!parts_.fileManager) {
        openFolder();
        return;
    }
    QPointer<CrashNotice> self(this);
    parts_.fileManager->showItem(*report_, [self, openFolder](bool shown) {
        if (self && !shown) {
            openFolder();
        }
    });
}

void CrashNotice::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The panel switched between light and dark: the body's colour follows.
    if (event->type() == QEvent::PaletteChange && body_) {
        refresh();
    }
}

void CrashNotice::refresh() {
    if (shut_.state() == QAbstractAnimation::Running) {
        return;
    }
    setVisible(report_.has_value());
    QPalette pal = body_->palette();
    if (failed_) {
        body_->setText(QStringLiteral("Couldn't send. Check your connection and try again."));
        pal.setColor(QPalette::WindowText, red);
    } else {
        body_->setText(QStringLiteral("Send the crash report so it can be fixed? It has what "
                                      "TallyVane was doing when it quit, your %1's model and "
                                      "your %2 version.")
                           .arg(QString::fromStdString(parts_.words.computer),
                                QString::fromStdString(parts_.words.system)));
        pal.setColor(QPalette::WindowText, PanelStyle::secondary(*this));
    }
    body_->setPalette(pal);
    sendButton_->setText(failed_ ? QStringLiteral("Try again") : QStringLiteral("Send report"));
    sendButton_->setAccessibleName(sendButton_->text());
    sendButton_->setVisible(!sending_);
    declineButton_->setVisible(!sending_);
    sendingFrame_->setVisible(sending_);
    spinner_->setTurning(sending_);
}

}  // namespace tv
