#pragma once
// Ctrl+C (and the context menu's Copy) on a table copies its selected cells,
// or the whole table when none is selected, as tab-separated text.
class QTableWidget;

namespace corvane {

void InstallTableCopy(QTableWidget* table);

}  // namespace corvane
