#include "ui/controls/ShownChildren.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

#include <mutex>

namespace tv {

namespace {

// Qt's interface for a plain widget, with its hidden children left out.
class ShownChildrenInterface : public QAccessibleWidget {
  public:
    explicit ShownChildrenInterface(QWidget* widget) : QAccessibleWidget(widget) {}

    int childCount() const override { return static_cast<int>(shown().size()); }

    QAccessibleInterface* child(int index) const override {
        QList<QWidget*> children = shown();
        if (index < 0 || index >= children.size()) {
            return nullptr;
        }
        return QAccessible::queryAccessibleInterface(children.at(index));
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) {
            return -1;
        }
        return static_cast<int>(shown().indexOf(qobject_cast<QWidget*>(child->object())));
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        QList<QWidget*> children = shown();
        for (QWidget* w : children) {
            QAccessibleInterface* candidate = QAccessible::queryAccessibleInterface(w);
            if (candidate && candidate->isValid() && candidate->rect().contains(x, y)) {
                return candidate;
            }
        }
        return nullptr;
    }

  private:
    // Child widgets in Qt's order, as Qt lists them (no windows), without the hidden ones.
    QList<QWidget*> shown() const {
        QList<QWidget*> out;
        for (QObject* o : widget()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && !w->isWindow() && !w->isHidden()) {
                out.append(w);
            }
        }
        return out;
    }
};

// Asked for each class of an object from the most derived up; "QWidget" is reached only by
// widgets no more specific interface claimed.
QAccessibleInterface* plainWidgets(const QString& className, QObject* object) {
    if (className == QLatin1String("QWidget") && object && object->isWidgetType()) {
        return new ShownChildrenInterface(static_cast<QWidget*>(object));
    }
    return nullptr;
}

}  // namespace

void ShownChildren::install() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(plainWidgets); });
}

}  // namespace tv
