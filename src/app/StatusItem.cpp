#include "app/StatusItem.h"

#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

#include "core/TrayMenu.h"

namespace tv {

StatusItem::StatusItem(std::unique_ptr<TrayEmbedder> embedder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint),
      embedder_(std::move(embedder)) {
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAccessibleName(QStringLiteral("TallyVane"));
    setWindowTitle(QStringLiteral("TallyVane"));
    setFixedSize(22, 22);
}

StatusItem::~StatusItem() = default;

void StatusItem::install() {
    if (embedder_ && embedder_->available()) {
        // Where the tray blends its icons, the slot shows the panel behind the label; the
        // window's visual is chosen when it is created, so this is settled before.
        transparent_ = embedder_->transparentSlots();
        setAttribute(Qt::WA_TranslucentBackground, transparent_);
        // The tray maps the window itself once it has taken it in.
        docked_ = embedder_->dock(static_cast<std::uintptr_t>(winId()));
        if (docked_) {
            show();
            checkSlotSoon();
            return;
        }
    }
    fallback_ = new QSystemTrayIcon(this);
    fallback_->setToolTip(QStringLiteral("TallyVane"));
    connect(fallback_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                    emit clicked();
                }
            });
    if (!image_.isNull()) {
        fallback_->setIcon(QIcon(QPixmap::fromImage(image_)));
    }
    fallback_->setContextMenu(&menu());
    fallback_->show();
}

void StatusItem::setLabel(const QImage& image, const QString& accessibleText) {
    if (image.isNull()) {
        return;  // keep the old picture
    }
    image_ = image;
    setAccessibleDescription(accessibleText);
    setToolTip(accessibleText);
    if (fallback_) {
        fallback_->setIcon(QIcon(QPixmap::fromImage(image_)));
        fallback_->setToolTip(accessibleText);
        return;
    }
    // Against the size asked for, not the one the tray gave: a tray that keeps the slot
    // narrower is asked again only when the label's width changes.
    QSize slot = slotFor(QSizeF(image_.size()) / image_.devicePixelRatio());
    if (slot != maximumSize()) {
        setFixedSize(slot);
        if (docked_) {
            checkSlotSoon();
        }
    }
    update();
}

void StatusItem::checkSlotSoon() {
    if (!slotCheck_) {
        slotCheck_ = new QTimer(this);
        slotCheck_->setInterval(200);
        connect(slotCheck_, &QTimer::timeout, this, [this] {
            int wanted = qRound(maximumWidth() * devicePixelRatioF());
            bool fits = embedder_->slotFits(static_cast<std::uintptr_t>(winId()), wanted);
            if (fits || --slotChecksLeft_ <= 0) {
                slotCheck_->stop();
            }
        });
    }
    // About ten seconds: a loaded tray can take a few to take the window in at all.
    slotChecksLeft_ = 50;
    slotCheck_->start();
}

QSize StatusItem::slotFor(const QSizeF& label) {
    QSize points = label.toSize();
    return {points.width() + 4, std::max(points.height(), 22)};
}

QRect StatusItem::anchor() const {
    if (docked_ && isVisible()) {
        return QRect(mapToGlobal(QPoint(0, 0)), size());
    }
    if (fallback_) {
        return fallback_->geometry();
    }
    return {};
}

double StatusItem::scale() const {
    if (QScreen* s = screen(); s && windowHandle()) {
        return s->devicePixelRatio();
    }
    return 2;
}

QColor StatusItem::textColor() const {
    // The tray's own foreground where it gives one: our palette may be light on a dark panel.
    if (auto rgb = embedder_ ? embedder_->foreground() : std::nullopt) {
        return QColor::fromRgb(static_cast<QRgb>(*rgb));
    }
    return palette().color(QPalette::WindowText);
}

void StatusItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (transparent_) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        painter.fillRect(rect(), palette().color(QPalette::Window));
    }
    if (image_.isNull()) {
        return;
    }
    QSizeF points = QSizeF(image_.size()) / image_.devicePixelRatio();
    QPointF at((width() - points.width()) / 2, (height() - points.height()) / 2);
    painter.drawImage(at, image_);
}

void StatusItem::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit clicked();
    } else if (event->button() == Qt::RightButton) {
        // As trays show their items' menus: at the pointer.
        menu().popup(event->globalPosition().toPoint());
    }
}

QMenu& StatusItem::menu() {
    if (!menu_) {
        menu_ = new QMenu(this);
        menu_->setWindowTitle(QStringLiteral("TallyVane menu"));
        for (const TrayMenuItem& item : trayMenu) {
            QAction* action = menu_->addAction(QString::fromLatin1(item.label));
            TrayMenuEntry entry = item.entry;
            // After the menu has closed: an entry may open the panel or end the program.
            connect(action, &QAction::triggered, this, [this, entry] {
                QTimer::singleShot(0, this, [this, entry] {
                    switch (entry) {
                        case TrayMenuEntry::open:
                            emit openRequested();
                            break;
                        case TrayMenuEntry::settings:
                            emit settingsRequested();
                            break;
                        case TrayMenuEntry::quit:
                            emit quitRequested();
                            break;
                    }
                });
            });
        }
    }
    return *menu_;
}

}  // namespace tv
