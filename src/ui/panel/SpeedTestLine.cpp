#include "ui/panel/SpeedTestLine.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPainter>

#include <algorithm>

#include "core/Format.h"
#include "core/RelativeTime.h"
#include "speedtest/SpeedTestRun.h"
#include "ui/Symbols.h"
#include "ui/controls/Fade.h"
#include "ui/controls/PanelStyle.h"

namespace tv {

namespace {

const QColor orange(255, 149, 0);
constexpr const char* warning = "exclamationmark.triangle.fill";

// The warning triangle, 11 points high, in orange.
class WarningSymbol : public QWidget {
  public:
    explicit WarningSymbol(QWidget* parent) : QWidget(parent) {
        QSizeF natural = Symbols::naturalSize(warning);
        setFixedSize(static_cast<int>(std::ceil(natural.width() * 11 / natural.height())), 11);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(Symbols::path(warning, QRectF(rect())), orange);
    }
};

// Names the panel colour a label follows, when it is not a fixed one.
constexpr const char* tone = "tone";

QLabel* label(const QString& text, const QFont& font, const QColor& color, QWidget* parent,
              const char* toneName = nullptr) {
    auto* l = new QLabel(text, parent);
    if (toneName) {
        l->setProperty(tone, QString::fromLatin1(toneName));
    }
    l->setFont(font);
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, color);
    l->setPalette(palette);
    return l;
}

QHBoxLayout* row(QWidget* on, int spacing) {
    auto* layout = new QHBoxLayout(on);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

}  // namespace

SpeedTestLine::SpeedTestLine(SpeedTestRun& run, const Vocabulary& words,
                             std::function<Date()> clock, QWidget* parent)
    : QWidget(parent),
      run_(run),
      words_(words),
      clock_(std::move(clock)),
      change_(Spring{0.35, 1}) {
    connect(&change_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        changeShown_ = v.toDouble();
        setFade(*this, std::clamp(changeShown_, 0.0, 1.0));
    });
    // One line of 14 points; a text too long for the panel's width wraps onto a second.
    setMinimumHeight(14);
    QFont text = PanelStyle::font(11);
    QFont value = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    value.setPointSizeF(11);
    value.setWeight(QFont::Medium);
    QColor secondary = PanelStyle::secondary(*this);
    QColor primary = PanelStyle::primary(*this);

    auto* line = row(this, 0);
    failure_ = new QWidget(this);
    auto* failureRow = row(failure_, 4);
    failureRow->addWidget(new WarningSymbol(failure_), 0, Qt::AlignVCenter);
    QLabel* failed =
        label(QStringLiteral("Speed test failed. Check your connection."), text, orange, failure_);
    failed->setWordWrap(true);
    failureRow->addWidget(failed, 1);
    line->addWidget(failure_);

    explanation_ = label(QStringLiteral("Measure your internet speed with ") +
                             QString::fromStdString(words_.networkTest) + QLatin1Char('.'),
                         text, secondary, this, "secondary");
    explanation_->setWordWrap(true);
    line->addWidget(explanation_);

    figures_ = new QWidget(this);
    auto* figuresRow = row(figures_, 12);
    auto figure = [&](const QString& name) {
        auto* pair = new QWidget(figures_);
        auto* pairRow = row(pair, 4);
        pairRow->addWidget(label(name, text, secondary, pair, "secondary"));
        QLabel* shown = label(QString(), value, primary, pair, "primary");
        pairRow->addWidget(shown);
        figuresRow->addWidget(pair);
        return shown;
    };
    down_ = figure(QStringLiteral("Download"));
    up_ = figure(QStringLiteral("Upload"));
    ping_ = figure(QStringLiteral("Ping"));
    when_ = label(QString(), text, secondary, figures_, "secondary");
    figuresRow->addWidget(when_, 1);
    line->addWidget(figures_);

    connect(&run_, &SpeedTestRun::failedChanged, this, &SpeedTestLine::refresh);
    connect(&run_, &SpeedTestRun::resultChanged, this, &SpeedTestLine::refresh);
    // "2 minutes ago" moves on while the panel is open.
    ticker_.setInterval(1000);
    connect(&ticker_, &QTimer::timeout, this, &SpeedTestLine::refresh);
    refresh();
}

void SpeedTestLine::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::PaletteChange) {
        return;
    }
    // The panel switched between light and dark: the texts follow, the warning stays orange.
    for (QLabel* l : findChildren<QLabel*>()) {
        QVariant toneName = l->property(tone);
        if (!toneName.isValid()) {
            continue;
        }
        QPalette palette = l->palette();
        palette.setColor(QPalette::WindowText, toneName.toString() == QLatin1String("secondary")
                                                   ? PanelStyle::secondary(*this)
                                                   : PanelStyle::primary(*this));
        l->setPalette(palette);
    }
}

QString SpeedTestLine::text() const {
    QStringList shown;
    for (QLabel* l : findChildren<QLabel*>()) {
        if (l->isVisibleTo(this) && !l->text().isEmpty()) {
            shown << l->text();
        }
    }
    return shown.join(QLatin1Char(' '));
}

void SpeedTestLine::showEvent(QShowEvent* event) {
    refresh();
    ticker_.start();
    QWidget::showEvent(event);
}

void SpeedTestLine::hideEvent(QHideEvent* event) {
    ticker_.stop();
    QWidget::hideEvent(event);
}

void SpeedTestLine::refresh() {
    const std::optional<SpeedResult>& result = run_.result();
    bool failed = run_.failed();
    bool changed = hasShown_ && (failed != shownFailed_ || result != shownResult_);
    hasShown_ = true;
    shownFailed_ = failed;
    shownResult_ = result;
    if (changed && isVisible()) {
        change_.retarget(0.0, 1.0);
    }
    failure_->setVisible(failed);
    explanation_->setVisible(!failed && !result);
    figures_->setVisible(!failed && result);
    if (result && !failed) {
        down_->setText(QString::fromStdString(Format::bitrate(result->down)));
        up_->setText(QString::fromStdString(Format::bitrate(result->up)));
        ping_->setText(QString::fromStdString(Format::wholeNumber(result->ping)) +
                       QStringLiteral(" ms"));
        when_->setText(QString::fromStdString(Format::relativeTime(result->at, clock_())));
    }
    setAccessibleName(text());
}

}  // namespace tv
