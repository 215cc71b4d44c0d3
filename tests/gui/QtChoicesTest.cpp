// The choice dialogues answered from the keyboard alone, as they run
// modally: a list, named buttons and check boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/qt/QtDialogs.h"

using namespace corvane;

namespace {

using Keys = std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>>;

// Once a modal dialogue is up, makes it the active window and types the keys
// into whatever has its focus; a dialogue still open after them is rejected
// so that a failure never holds the test.
void TypeIntoNextModal(Keys keys, bool* typed) {
    QTimer::singleShot(0, [keys, typed] {
        QElapsedTimer timer;
        timer.start();
        while (!QApplication::activeModalWidget() && timer.elapsed() < 2000) QApplication::processEvents();
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        modal->activateWindow();
        while (QApplication::activeWindow() != modal && timer.elapsed() < 2000) QApplication::processEvents();
        // With CORVANE_SCREENSHOTS naming a folder, the dialogue is saved there as shown.
        if (const char* dir = std::getenv("CORVANE_SCREENSHOTS"); dir && *dir)
            modal->grab().save(QString::fromUtf8(dir) + QLatin1Char('/') + modal->windowTitle() + QStringLiteral(".png"));
        for (const auto& [key, modifiers] : keys) {
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : modal;
            const QString text = key == Qt::Key_Return ? QStringLiteral("\r")
                                 : key == Qt::Key_Space ? QStringLiteral(" ")
                                                        : QString();
            QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
            QApplication::sendEvent(target, &press);
            QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
            QApplication::sendEvent(target, &release);
            QApplication::processEvents();
        }
        *typed = true;
        QTimer::singleShot(500, [] {
            if (auto* still = qobject_cast<QDialog*>(QApplication::activeModalWidget())) still->reject();
        });
    });
}

const Qt::KeyboardModifiers None = Qt::NoModifier;

}  // namespace

TEST(QtChoices, AListIsAnsweredByArrowsAndEnterAndCancelledByEscape) {
    QtDialogs dialogs;
    const ListChoice choice{"Pick a parameter", "Choose the parameter number:", {"1  Linf", "2  K", "3  Mean of k"}, 0, ""};
    bool typed = false;
    TypeIntoNextModal({{Qt::Key_Down, None}, {Qt::Key_Down, None}, {Qt::Key_Return, None}}, &typed);
    EXPECT_EQ(dialogs.ChooseFromList(choice), 2);
    EXPECT_TRUE(typed);
    TypeIntoNextModal({{Qt::Key_Up, None}, {Qt::Key_Escape, None}}, &typed);
    EXPECT_EQ(dialogs.ChooseFromList(choice), std::nullopt);
}

TEST(QtChoices, NamedButtonsAnswerTheirMnemonicsEnterAndEscape) {
    QtDialogs dialogs;
    const ButtonChoice choice{"Minimiser", "Choose the minimizer", {"&Simplex", "&Marquardt"}, true, ""};
    bool typed = false;
    TypeIntoNextModal({{Qt::Key_M, Qt::AltModifier}}, &typed);
    EXPECT_EQ(dialogs.ChooseButton(choice), 1);
    TypeIntoNextModal({{Qt::Key_Return, None}}, &typed);
    EXPECT_EQ(dialogs.ChooseButton(choice), 0);  // the first is the default
    TypeIntoNextModal({{Qt::Key_Escape, None}}, &typed);
    EXPECT_EQ(dialogs.ChooseButton(choice), std::nullopt);
}

TEST(QtChoices, ACheckListRefusesTooManyTicksAndSpaceTogglesTheCurrentOne) {
    QtDialogs dialogs;
    const Checklist list{"Integrate", "Tick at most two", {"1  Linf", "2  K", "3  Mean of k"}, {true, true, true}, 2};
    auto dialog = BuildChecklistDialog(nullptr, list);
    auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    EXPECT_FALSE(ok->isEnabled());  // three ticked, two allowed
    EXPECT_EQ(dialog->findChild<QLabel*>("checklistStatus")->text(), "3 ticked: untick 1, at most 2 can be chosen");

    // Enter is refused while three are ticked; Space unticks the first, then Enter takes it.
    bool typed = false;
    TypeIntoNextModal({{Qt::Key_Return, None}, {Qt::Key_Space, None}, {Qt::Key_Return, None}}, &typed);
    EXPECT_EQ(dialogs.ChooseSeveral(list), (std::vector<bool>{false, true, true}));
    TypeIntoNextModal({{Qt::Key_Escape, None}}, &typed);
    EXPECT_EQ(dialogs.ChooseSeveral(list), std::nullopt);
}
