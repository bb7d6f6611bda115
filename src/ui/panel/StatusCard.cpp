#include "ui/panel/StatusCard.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <string_view>

#include "ui/controls/Buttons.h"
#include "ui/controls/PanelStyle.h"
#include "ui/controls/Toggles.h"
#include "ui/panel/AppIcon.h"
#include "ui/panel/PanelLook.h"
#include "ui/panel/PanelSymbols.h"

namespace tv {

namespace {

// A figure and its unit ("4.2 GB", "240% CPU") stay on one line when the detail wraps: the
// space between them does not break.
QString figuresKeptWhole(QString text) {
    static const QRegularExpression figureAndUnit(QStringLiteral("([\\d%]) (?=[A-Za-z%\u00B0])"));
    return text.replace(figureAndUnit, QStringLiteral("\\1\u00A0"));
}

const char* symbolOf(Health health) {
    switch (health) {
        case Health::ok:
            return "checkmark";
        case Health::warning:
            return "exclamationmark";
        case Health::critical:
            return "xmark";
    }
    return "";
}

// The health's symbol on a faint white circle. The whole enters with the card's question
// spring; a new symbol replaces the old one by growing in from 0.7 with the health's spring.
class HealthSymbol : public QWidget {
  public:
    explicit HealthSymbol(QWidget* parent) : QWidget(parent), replacing_(Spring{0.6, 1}) {
        setFixedSize(34, 34);
        connect(&replacing_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            glyph_ = v.toDouble();
            update();
        });
    }
    void setHealth(Health health) {
        if (health == health_) {
            return;
        }
        bool replace = std::string_view(symbolOf(health)) != symbolOf(health_) && isVisible();
        health_ = health;
        if (replace) {
            replacing_.retarget(0.0, 1.0);
            glyph_ = replacing_.currentValue().toDouble();
        }
        update();
    }
    void setEntrance(double progress) {
        entrance_ = progress;
        update();
    }
    double entrance() const { return entrance_; }
    double glyph() const { return glyph_; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QRectF box(rect());
        PanelLook::entering(p, box, entrance_);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 36));
        p.drawEllipse(box);
        PanelLook::entering(p, box, glyph_);
        p.setBrush(Qt::white);
        p.drawPath(PanelSymbols::path(symbolOf(health_), box.adjusted(10, 10, -10, -10)));
    }

  private:
    Health health_ = Health::ok;
    double entrance_ = 1;
    double glyph_ = 1;
    SpringAnimation replacing_;
};

QLabel* whiteLabel(QFont font, double opacity, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(255, 255, 255, static_cast<int>(opacity * 255)));
    label->setPalette(pal);
    return label;
}

}  // namespace

std::array<QColor, 3> StatusCard::colors(Health health) {
    switch (health) {
        case Health::ok:
            return {QColor(61, 245, 194), QColor(47, 200, 255), QColor(61, 245, 194, 64)};
        case Health::warning:
            return {QColor(255, 177, 61), QColor(255, 106, 61), QColor(255, 177, 61, 64)};
        case Health::critical:
            return {QColor(255, 69, 58), QColor(232, 32, 42), QColor(255, 69, 58, 64)};
    }
    return {};
}

StatusCard::StatusCard(AppIcons& icons, std::function<double()> clock, QWidget* parent)
    : QWidget(parent),
      icons_(icons),
      clock_(std::move(clock)),
      symbol_(new HealthSymbol(this)),
      iconFrame_(new QWidget(this)),
      icon_(new AppIcon(icons, 30, iconFrame_)),
      title_(whiteLabel(PanelStyle::font(13, QFont::DemiBold), 1, this)),
      detail_(whiteLabel(PanelStyle::font(11), 0.78, this)),
      quit_(new CardButton(QStringLiteral("Quit"), false, this)),
      cancel_(new CardButton(QStringLiteral("Cancel"), false, this)),
      confirm_(new CardButton(QStringLiteral("Quit"), true, this)),
      spinner_(new Spinner(QColor(255, 255, 255, 204), this)),
      quittingText_(whiteLabel(PanelStyle::font(11, QFont::Medium), 0.8, this)),
      recolouring_(Spring{0.6, 1}),
      entering_(Spring{0.25, 0.85}) {
    connect(&entering_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        double progress = v.toDouble();
        if (asked_) {
            icon_->setEntrance(progress);
        } else {
            static_cast<HealthSymbol*>(symbol_)->setEntrance(progress);
        }
    });
    connect(&recolouring_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        recolour_ = v.toDouble();
        update();
    });
    // 64 points high; a title or detail too long for one line wraps and makes it taller.
    setMinimumHeight(64);
    setAccessibleName(QStringLiteral("Status"));
    quittingText_->setText(QStringLiteral("Quitting\u2026"));
    title_->setTextFormat(Qt::PlainText);
    detail_->setTextFormat(Qt::PlainText);
    title_->setWordWrap(true);
    detail_->setWordWrap(true);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 8, 14, 8);
    row->setSpacing(12);
    row->addWidget(symbol_);
    iconFrame_->setFixedSize(34, 34);
    icon_->setParent(iconFrame_);
    icon_->move(2, 2);
    row->addWidget(iconFrame_);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(2);
    texts->addStretch(1);
    texts->addWidget(title_);
    texts->addWidget(detail_);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    // Its own size: the texts beside it give up their width, which it must not take.
    spinner_->setFixedSize(spinner_->sizeHint());
    row->addWidget(spinner_);
    row->addWidget(quittingText_);
    row->addWidget(quit_);
    row->addWidget(cancel_);
    row->addWidget(confirm_);

    connect(quit_, &QAbstractButton::clicked, this, [this] {
        question_.ask(clock_());
        arrange();
    });
    connect(cancel_, &QAbstractButton::clicked, this, [this] {
        question_.cancel();
        arrange();
    });
    connect(confirm_, &QAbstractButton::clicked, this, [this] {
        if (state_.culprit && question_.confirm(clock_())) {
            ProcessUsage culprit = *state_.culprit;
            arrange();
            emit quitRequested(culprit);
        }
    });
    arrange();
}

void StatusCard::setState(const CardState& state) {
    if (state == state_) {
        return;
    }
    bool recolour = state.health != state_.health;
    if (recolour && isVisible()) {
        from_ = shownColors();
        recolour_ = 0;
        recolouring_.retarget(0.0, 1.0);
    }
    state_ = state;
    question_.offer(state.culprit ? std::optional<std::string>(state.culprit->id) : std::nullopt);
    arrange();
    if (recolour) {
        update();
    }
}

void StatusCard::arrange() {
    bool asking = question_.confirming() && state_.culprit && !state_.quitting;
    static_cast<HealthSymbol*>(symbol_)->setHealth(state_.health);
    if (asking != asked_) {
        // Into or out of the question: what comes in fades and grows from 0.7.
        asked_ = asking;
        icon_->setEntrance(1);
        static_cast<HealthSymbol*>(symbol_)->setEntrance(1);
        if (isVisible()) {
            entering_.retarget(0.0, 1.0);
        }
    }
    symbol_->setVisible(!asking);
    iconFrame_->setVisible(asking);
    if (asking) {
        icon_->setPath(state_.culprit->appPath);
        title_->setText(QString::fromStdString(state_.culprit->name));
        detail_->setText(figuresKeptWhole(QString::fromStdString(state_.confirmDetail)));
    } else {
        title_->setText(QString::fromStdString(state_.title));
        detail_->setText(figuresKeptWhole(QString::fromStdString(state_.detail)));
    }
    detail_->setVisible(!detail_->text().isEmpty());
    spinner_->setVisible(state_.quitting);
    spinner_->setTurning(state_.quitting);
    quittingText_->setVisible(state_.quitting);
    quit_->setVisible(!state_.quitting && !asking && state_.culprit.has_value());
    cancel_->setVisible(asking);
    confirm_->setVisible(asking);
    if (state_.culprit) {
        QString name = QString::fromStdString(state_.culprit->name);
        quit_->setToolTip(QStringLiteral("Quit ") + name);
        confirm_->setToolTip(name + QStringLiteral(" can still ask you to save your work"));
    }
    setAccessibleDescription(title_->text() + QStringLiteral(". ") + detail_->text());
    setAccessibleName(title_->text());
}

double StatusCard::symbolEntrance() const {
    return static_cast<const HealthSymbol*>(symbol_)->entrance();
}

double StatusCard::glyphEntrance() const {
    return static_cast<const HealthSymbol*>(symbol_)->glyph();
}

double StatusCard::iconEntrance() const {
    return icon_->entrance();
}

std::array<QColor, 3> StatusCard::shownColors() const {
    std::array<QColor, 3> to = colors(state_.health);
    double t = std::clamp(recolour_, 0.0, 1.0);
    if (t >= 1) {
        return to;
    }
    std::array<QColor, 3> out;
    for (std::size_t i = 0; i < to.size(); ++i) {
        auto mix = [t](float a, float b) { return a + (b - a) * static_cast<float>(t); };
        out[i] = QColor::fromRgbF(
            mix(from_[i].redF(), to[i].redF()), mix(from_[i].greenF(), to[i].greenF()),
            mix(from_[i].blueF(), to[i].blueF()), mix(from_[i].alphaF(), to[i].alphaF()));
    }
    return out;
}

void StatusCard::paintEvent(QPaintEvent*) {
    auto c = shownColors();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF box = QRectF(rect()).adjusted(1, 1, -1, -4);
    // Shadow of the first colour, 2 points down.
    p.setPen(Qt::NoPen);
    for (int i = 3; i >= 1; --i) {
        p.setBrush(PanelLook::withAlpha(c[0], 0.4 / 6));
        p.drawRoundedRect(box.adjusted(-i / 2.0, 2 - i / 2.0, i / 2.0, 2 + i), 14, 14);
    }
    QPainterPath shape;
    shape.addRoundedRect(box, 14, 14);
    p.setClipPath(shape);
    // Our mesh: a diagonal base between the two colours with soft glows of each at three
    // of the corners and a faint third colour across the middle.
    QLinearGradient base(box.topLeft(), box.bottomRight());
    base.setColorAt(0, c[0].darker(115));
    base.setColorAt(1, c[1].darker(120));
    p.fillRect(box, base);
    auto glow = [&](QPointF at, double radius, QColor color) {
        QRadialGradient g(at, radius);
        g.setColorAt(0, color);
        QColor clear = color;
        clear.setAlpha(0);
        g.setColorAt(1, clear);
        p.fillRect(box, g);
    };
    glow(box.topLeft(), box.width() * 0.55, PanelLook::withAlpha(c[0], 0.9));
    glow(box.bottomRight(), box.width() * 0.5, PanelLook::withAlpha(c[1], 0.9));
    glow(QPointF(box.center().x(), box.bottom()), box.width() * 0.4, c[2]);
    p.fillRect(box, QColor(0, 0, 0, 28));
    p.setClipping(false);
    QConicalGradient rim(box.center(), 90);
    rim.setColorAt(0, c[0]);
    rim.setColorAt(0.33, c[1]);
    rim.setColorAt(0.66, c[2]);
    rim.setColorAt(1, c[0]);
    p.setPen(QPen(QBrush(rim), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 14, 14);
}

}  // namespace tv
