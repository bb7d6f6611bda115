#include "ui/panel/AppListSection.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

#include "core/AppList.h"
#include "monitor/Monitor.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/PanelStyle.h"
#include "ui/controls/Toggles.h"
#include "ui/panel/PanelLook.h"
#include "ui/panel/ProcessRow.h"
#include "ui/panel/SlidingRows.h"

namespace tv {

namespace {

QString titleFor(bool byCPU) {
    return byCPU ? QStringLiteral("Using the most CPU") : QStringLiteral("Using the most memory");
}

}  // namespace

AppListSection::AppListSection(Monitor& monitor, AppIcons& icons, bool byCPU,
                               std::function<void(const char*)> play, QWidget* parent)
    : QWidget(parent),
      monitor_(monitor),
      icons_(icons),
      byCPU_(byCPU),
      title_(new SectionTitle(titleFor(byCPU), this)),
      order_(
          new Segmented({QStringLiteral("Memory"), QStringLiteral("CPU")}, std::move(play), this)),
      frame_(new QWidget(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* header = new QHBoxLayout();
    header->addWidget(title_);
    header->addStretch(1);
    order_->setFixedWidth(124);
    order_->setSelected(byCPU ? 1 : 0);
    order_->setAccessibleName(QStringLiteral("Order by"));
    header->addWidget(order_);
    column->addLayout(header);

    frame_->setFixedHeight(frameHeight);
    frame_->setAccessibleName(titleFor(byCPU));
    auto* frameLayout = new QVBoxLayout(frame_);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    // The rows stand in the frame's full height whatever the frame is; a shorter frame scrolls
    // them, with the panel's thin bar beside them.
    rowsArea_ = new QScrollArea(frame_);
    rowsArea_->setFrameShape(QFrame::NoFrame);
    rowsArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rowsArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    rowsArea_->setWidgetResizable(true);
    rowsArea_->viewport()->setAutoFillBackground(false);
    rowsArea_->verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll"));
    rowsArea_->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }") +
                             PanelStyle::thinScrollBar(6, 24));
    // Rows slide to their places when the order changes, keyed on the apps' ids.
    sliding_ = new SlidingRows(rowHeight, rowSpacing, Spring{0.45, 0.85});
    sliding_->setFixedHeight(frameHeight);
    rowsArea_->setWidget(sliding_);
    // The scroll area fills its widget with the window colour; the rows stand on the panel's.
    sliding_->setAutoFillBackground(false);
    frameLayout->addWidget(rowsArea_);
    for (std::size_t i = 0; i < AppList::shown; ++i) {
        auto* row = new ProcessRow(icons_, monitor_.self(), sliding_);
        connect(row, &ProcessRow::quitRequested, this,
                [this](const ProcessUsage& process) { monitor_.quit(process); });
        sliding_->add(row);
        rows_.push_back(row);
    }
    frame_->installEventFilter(this);
    column->addWidget(frame_);
    QLabel* note = PanelLook::label(
        QStringLiteral("Your apps only. An app's helper processes are added to it."),
        PanelStyle::font(10), true, this);
    note->setWordWrap(true);
    column->addWidget(note);

    connect(order_, &Segmented::selectedChanged, this, [this](int index) { setByCPU(index == 1); });
    refresh();
}

void AppListSection::setByCPU(bool byCPU) {
    if (byCPU == byCPU_) {
        return;
    }
    byCPU_ = byCPU;
    order_->setSelected(byCPU ? 1 : 0);
    static_cast<QLabel*>(title_)->setText(titleFor(byCPU).toUpper());
    frame_->setAccessibleName(titleFor(byCPU));
    emit byCPUChanged(byCPU);
    refresh();
}

void AppListSection::setFrameHeight(int height) {
    // Setting the height it already has changes nothing.
    frame_->setFixedHeight(std::clamp(height, shortestFrame, frameHeight));
}

std::vector<ProcessRow*> AppListSection::rows() const {
    std::vector<ProcessRow*> shown;
    for (ProcessRow* row : rows_) {
        if (!row->isHidden()) {
            shown.push_back(row);
        }
    }
    return shown;
}

bool AppListSection::eventFilter(QObject* watched, QEvent* event) {
    if (watched == frame_) {
        if (event->type() == QEvent::Enter) {
            heldOrder_ = shownIds_;
        } else if (event->type() == QEvent::Leave) {
            heldOrder_.reset();
            refresh();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AppListSection::refresh() {
    std::vector<ProcessUsage> shown = AppList::rows(monitor_.processes(), byCPU_, heldOrder_);
    std::vector<double> shares = AppList::shares(shown, byCPU_);
    std::vector<std::string> before = std::move(shownIds_);
    shownIds_ = AppList::ids(shown);
    sliding_->slide(AppList::formerPlaces(before, shownIds_));
    QColor hue = PanelLook::hue(byCPU_ ? Panel::cpu : Panel::memory);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (i >= shown.size()) {
            rows_[i]->hide();
            continue;
        }
        const ProcessUsage& p = shown[i];
        ProcessRowState state{p,
                              byCPU_,
                              monitor_.closedCost(),
                              hue,
                              shares[i],
                              p.appPath && monitor_.isRunning(*p.appPath),
                              monitor_.isQuitting(p)};
        rows_[i]->setState(state);
        rows_[i]->show();
    }
}

}  // namespace tv
