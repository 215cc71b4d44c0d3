// The choices every platform offers: a typed answer to a list, and what a
// platform without lists, named buttons or check boxes shows instead.
#include <gtest/gtest.h>

#include "support/ScriptedDialogs.h"

using namespace corvane;
using namespace corvane::testing;

TEST(TypedChoice, AWholeNumberInRangeNamesItsItemAndAnythingElseIsRefusedWithTheRange) {
    const struct {
        const char* answer;
        int count;
        std::optional<int> index;
    } cases[] = {
        {"1", 12, 0}, {"12", 12, 11}, {" 3 ", 12, 2}, {"2.4", 12, 1},  // a fraction is rounded
        {"0", 12, std::nullopt}, {"13", 12, std::nullopt}, {"-1", 12, std::nullopt},
        {"abc", 12, std::nullopt}, {"3x", 12, std::nullopt}, {"1", 0, std::nullopt},
    };
    for (const auto& c : cases) {
        const TypedChoice t = ReadTypedChoice(c.answer, c.count);
        EXPECT_EQ(t.index, c.index) << c.answer;
        EXPECT_EQ(t.refusal.empty(), c.index.has_value()) << c.answer;
    }
    EXPECT_EQ(ReadTypedChoice("abc", 12).refusal, "\"abc\" is not one of the choices.\r\nPlease enter a whole number from 1 to 12.");
    EXPECT_EQ(ReadTypedChoice("2", 1).refusal, "\"2\" is not one of the choices.\r\nPlease enter 1.");
}

TEST(Checklist, MoreTicksThanAllowedAreRefusedWithTheCount) {
    Checklist list;
    list.items = {"1", "2", "3", "4"};
    list.maxTicked = 2;
    const struct {
        std::vector<bool> ticks;
        bool accepted;
        const char* status;
    } cases[] = {
        {{true, false, true, false}, true, "2 ticked (at most 2)"},
        {{true, true, true, false}, false, "3 ticked: untick 1, at most 2 can be chosen"},
        {{true, true}, false, "2 ticked (at most 2)"},  // not one tick per item
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChecklistAccepts(list, c.ticks), c.accepted) << c.status;
        EXPECT_EQ(ChecklistStatus(list, c.ticks), c.status);
    }
}

TEST(DialogsFallback, WithoutListsButtonsOrCheckBoxesTheOldQuestionsAreAsked) {
    ScriptedDialogs d;
    ListChoice choice{"Pick", "Choose the parameter number:\r\n0 < parameter # <= 3", {"1  a", "2  b", "3  c"}, 2, "2"};
    d.ExpectPrompt("Pick", "Choose the parameter number:", "x")
        .ExpectMessage("Pick", "\"x\" is not one of the choices.\r\nPlease enter a whole number from 1 to 3.")
        .ExpectPrompt("Pick", "Choose the parameter number:", "4")
        .ExpectMessage("Pick", "\"4\" is not one")
        .ExpectPrompt("Pick", "Choose the parameter number:", "3");
    EXPECT_EQ(d.ChooseFromList(choice), 2);
    EXPECT_EQ(d.shown[0].request.initialName, "2");  // the typed default
    EXPECT_EQ(d.shown[1].icon, Icon::Exclamation);
    d.ExpectPrompt("Pick", "", "");
    EXPECT_EQ(d.ChooseFromList(choice), std::nullopt);  // Cancel

    ButtonChoice buttons{"Minimiser", "Which?", {"&Simplex", "&Marquardt"}, true, "Choose 'Yes' for Simplex"};
    d.ExpectMessage("Minimiser", "Choose 'Yes' for Simplex", Answer::Yes)
        .ExpectMessage("Minimiser", "Choose 'Yes' for Simplex", Answer::No);
    EXPECT_EQ(d.ChooseButton(buttons), 0);
    EXPECT_EQ(d.ChooseButton(buttons), 1);
    EXPECT_EQ(d.Last().buttons, Buttons::YesNo);  // as it always was, without Cancel

    Checklist list{"Tick", "Which?", {"1", "2", "3"}, {true, false, true}, 1};
    EXPECT_EQ(d.Dialogs::ChooseSeveral(list), (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(d.AllDone());
}
