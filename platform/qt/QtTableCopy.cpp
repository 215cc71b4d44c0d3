#include "platform/qt/QtTableCopy.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeySequence>
#include <QTableWidget>
#include <algorithm>

#include "platform/qt/QtText.h"
#include "platform/TableCopy.h"

namespace corvane {

namespace {

std::string Cell(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? FromQt(item->text()) : std::string();
}

// The selected block (every selected range's rows and columns), headings
// first; the whole table when nothing is selected.
std::vector<std::vector<std::string>> Block(const QTableWidget* table) {
    int top = 0, bottom = table->rowCount() - 1, left = 0, right = table->columnCount() - 1;
    const auto ranges = table->selectedRanges();
    if (!ranges.isEmpty()) {
        top = table->rowCount(), bottom = -1, left = table->columnCount(), right = -1;
        for (const auto& r : ranges) {
            top = std::min(top, r.topRow()), bottom = std::max(bottom, r.bottomRow());
            left = std::min(left, r.leftColumn()), right = std::max(right, r.rightColumn());
        }
    }
    std::vector<std::vector<std::string>> rows;
    if (!table->horizontalHeader()->isHidden()) {
        std::vector<std::string> headings;
        for (int c = left; c <= right; ++c) {
            const QTableWidgetItem* h = table->horizontalHeaderItem(c);
            headings.push_back(h ? FromQt(h->text()) : std::string());
        }
        rows.push_back(std::move(headings));
    }
    for (int r = top; r <= bottom; ++r) {
        std::vector<std::string> row;
        for (int c = left; c <= right; ++c)
            row.push_back(ranges.isEmpty() || table->item(r, c) == nullptr || table->item(r, c)->isSelected()
                              ? Cell(table, r, c)
                              : std::string());
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

void InstallTableCopy(QTableWidget* table) {
    auto* copy = new QAction(QObject::tr("&Copy"), table);
    copy->setObjectName(QStringLiteral("actCopyTable"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(copy, &QAction::triggered, table, [table] {
        QApplication::clipboard()->setText(QString::fromStdString(TabSeparated(Block(table))));
    });
    table->addAction(copy);
    table->setContextMenuPolicy(Qt::ActionsContextMenu);
}

}  // namespace corvane
