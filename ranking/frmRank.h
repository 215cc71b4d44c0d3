#pragma once
// The ranking window ("Model selection, ranking and averaging"): renders
// RankingForm and forwards clicks and double-clicks to it.
#include <QWidget>
#include <map>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace corvane {

class RankingForm;

class frmRank : public QWidget {
public:
    explicit frmRank(RankingForm& form, QWidget* parent = nullptr);

    void Render();

    QTableWidget* Grid() const { return grdRank_; }
    QPushButton* Button(const std::string& name) const;
    QLineEdit* CHatBox() const { return txtCHat_; }
    QPlainTextEdit* AveragingBox() const { return txtAverage_; }
    QLabel* AveragingLabel() const { return lblAverage_; }

private:
    QPushButton* MakeButton(const char* name);

    RankingForm& form_;
    QTableWidget* grdRank_ = nullptr;
    QLineEdit* txtCHat_ = nullptr;
    QPlainTextEdit* txtAverage_ = nullptr;
    QLabel* lblAverage_ = nullptr;
    std::map<std::string, QPushButton*> buttons_;
};

}  // namespace corvane
