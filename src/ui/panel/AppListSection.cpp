#include "ui/panel/AppListSection.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/AppList.h"
#include "monitor/Monitor.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/PanelStyle.h"
#include "ui/controls/Toggles.h"
#include "ui/panel/PanelLook.h"
#include "ui/panel/ProcessRow.h"

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
    auto* list = new QVBoxLayout(frame_);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(2);
    for (std::size_t i = 0; i < AppList::shown; ++i) {
        auto* row = new ProcessRow(icons_, monitor_.self(), frame_);
        connect(row, &ProcessRow::quitRequested, this,
                [this](const ProcessUsage& process) { monitor_.quit(process); });
        list->addWidget(row);
        rows_.push_back(row);
    }
    list->addStretch(1);
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
    shownIds_ = AppList::ids(shown);
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
