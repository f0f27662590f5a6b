// Report-list rows and the combo box's items.
#include <QAbstractItemView>
#include <QComboBox>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>
#include <QTreeWidget>

#include "platform/gui/gui_internal.h"

namespace gui {
namespace detail {
namespace {

QTreeWidget* listWidget(int list) {
    return qobject_cast<QTreeWidget*>(controlWidget(list));
}
QComboBox* comboWidget(int combo) {
    return qobject_cast<QComboBox*>(controlWidget(combo));
}

constexpr int kIconRole = Qt::UserRole + 1;

// Shows a row's whole text over a row that the list elides.
class ElidedRowTooltips : public QObject {
  public:
    explicit ElidedRowTooltips(QTreeWidget* list) : QObject(list), list_(list) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || watched != list_->viewport()) return false;
        auto* help = static_cast<QHelpEvent*>(event);
        QTreeWidgetItem* item = list_->itemAt(help->pos());
        if (!item || !elided(item)) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        QToolTip::showText(help->globalPos(), item->text(0), list_->viewport(), list_->visualItemRect(item));
        return true;
    }

  private:
    // The width the row would need against the width its column shows, with
    // the margins the style puts around the icon and the text.
    bool elided(QTreeWidgetItem* item) const {
        const int margin = list_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1;
        int needed = list_->fontMetrics().horizontalAdvance(item->text(0)) + 2 * margin;
        if (!item->icon(0).isNull()) needed += list_->iconSize().width() + 2 * margin;
        const int shown = std::min(list_->columnWidth(0), list_->viewport()->width());
        return needed > shown;
    }

    QTreeWidget* list_;
};

}  // namespace

void tooltipsForElidedRows(QTreeWidget* list) {
    list->viewport()->installEventFilter(new ElidedRowTooltips(list));
}
}  // namespace detail

using namespace detail;

int listAddRow(int list, const std::string& text, int icon) {
    QTreeWidget* w = listWidget(list);
    if (!w) return -1;
    auto* item = new QTreeWidgetItem(w, QStringList{QString::fromStdString(text)});
    if (QImage* image = icon ? findImage(icon) : nullptr) {
        item->setIcon(0, QIcon(QPixmap::fromImage(*image)));
        item->setData(0, kIconRole, icon);
    }
    return w->indexOfTopLevelItem(item);
}

void listRemoveRow(int list, int row) {
    if (QTreeWidget* w = listWidget(list)) {
        if (row >= 0 && row < w->topLevelItemCount()) delete w->takeTopLevelItem(row);
    }
}

void listClear(int list) {
    if (QTreeWidget* w = listWidget(list)) w->clear();
}

int listRowCount(int list) {
    QTreeWidget* w = listWidget(list);
    return w ? w->topLevelItemCount() : 0;
}

int listSelectedRow(int list) {
    QTreeWidget* w = listWidget(list);
    if (!w) return -1;
    const auto selected = w->selectedItems();
    return selected.isEmpty() ? -1 : w->indexOfTopLevelItem(selected.front());
}

void listSelectRow(int list, int row) {
    QTreeWidget* w = listWidget(list);
    if (!w) return;
    QTreeWidgetItem* item = w->topLevelItem(row);
    if (!item) return;
    w->clearSelection();
    item->setSelected(true);
    w->setCurrentItem(item);
    w->scrollToItem(item);
}

std::string listRowText(int list, int row) {
    QTreeWidget* w = listWidget(list);
    QTreeWidgetItem* item = w ? w->topLevelItem(row) : nullptr;
    return item ? item->text(0).toStdString() : std::string();
}

void listSetRowColours(int list, int row, Rgb text, Rgb background) {
    QTreeWidget* w = listWidget(list);
    QTreeWidgetItem* item = w ? w->topLevelItem(row) : nullptr;
    if (!item) return;
    item->setForeground(0, toQColor(text));
    item->setBackground(0, toQColor(background));
}

void listSetTextColour(int list, Rgb text) {
    QTreeWidget* w = listWidget(list);
    if (!w) return;
    for (int i = 0; i < w->topLevelItemCount(); ++i) w->topLevelItem(i)->setForeground(0, toQColor(text));
}

Rgb listRowBackground(int list, int row) {
    QTreeWidget* w = listWidget(list);
    QTreeWidgetItem* item = w ? w->topLevelItem(row) : nullptr;
    if (!item) return {};
    QColor c = item->background(0).style() == Qt::NoBrush ? w->palette().color(QPalette::Base)
                                                          : item->background(0).color();
    return {uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())};
}

Rgb listRowTextColour(int list, int row) {
    QTreeWidget* w = listWidget(list);
    QTreeWidgetItem* item = w ? w->topLevelItem(row) : nullptr;
    if (!item) return {};
    QColor c = item->foreground(0).style() == Qt::NoBrush ? w->palette().color(QPalette::Text)
                                                          : item->foreground(0).color();
    return {uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())};
}

int listRowIcon(int list, int row) {
    QTreeWidget* w = listWidget(list);
    QTreeWidgetItem* item = w ? w->topLevelItem(row) : nullptr;
    return item ? item->data(0, kIconRole).toInt() : 0;
}

Point listRowCentre(int list, int row) {
    QTreeWidget* w = listWidget(list);
    QTreeWidgetItem* item = w ? w->topLevelItem(row) : nullptr;
    if (!item) return {-1, -1};
    const QRect r = w->visualItemRect(item);
    const QPoint centre = w->viewport()->mapToGlobal(r.center());
    return {centre.x(), centre.y()};
}

void comboAddItem(int combo, const std::string& text) {
    if (QComboBox* c = comboWidget(combo)) c->addItem(QString::fromStdString(text));
}

int comboItemCount(int combo) {
    QComboBox* c = comboWidget(combo);
    return c ? c->count() : 0;
}

std::string comboItemText(int combo, int index) {
    QComboBox* c = comboWidget(combo);
    return c ? c->itemText(index).toStdString() : std::string();
}

std::string comboText(int combo) {
    QComboBox* c = comboWidget(combo);
    return c ? c->currentText().toStdString() : std::string();
}

void comboShowDropdown(int combo) {
    if (QComboBox* c = comboWidget(combo)) c->showPopup();
}

bool comboDropdownVisible(int combo) {
    QComboBox* c = comboWidget(combo);
    return c && c->view() && c->view()->isVisible();
}

}  // namespace gui
