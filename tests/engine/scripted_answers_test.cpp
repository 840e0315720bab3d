#include "engine/scripted_answers.h"
#include "support/services_fixture.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace qn3;
using ScriptedAnswers = qn3::testing::ServicesTest;

// Codes answer the message boxes, Windows folders the folder dialogs, each in its own order; once used up,
// the answers that change nothing.
TEST_F(ScriptedAnswers, CodesAnswerMessageBoxesAndWindowsPathsTheFolderDialog)
{
    qputenv("QN3_TEST_ANSWERS", "6, C:\\QN_Donnees ,7,9");
    engine::ReponsesScriptees answers(user);
    qunsetenv("QN3_TEST_ANSWERS");
    services::MessageBoxRequest box;
    box.style = services::msgbox::YesNoCancel;
    const services::FolderRequest folder{0, QStringLiteral("C:\\QN_Data"), {}};
    EXPECT_EQ(answers.askMessageBox(box), services::msgbox::AnswerYes);
    EXPECT_EQ(answers.selectFolder(folder), QStringLiteral("C:\\QN_Donnees\\"));
    EXPECT_TRUE(QFileInfo(host("C:\\QN_Donnees")).isDir());
    EXPECT_EQ(answers.askMessageBox(box), services::msgbox::AnswerNo);
    EXPECT_EQ(answers.askMessageBox(box), services::msgbox::AnswerCancel);
    EXPECT_EQ(answers.selectFolder(folder), QStringLiteral("*"));
    services::BaseChoiceRequest base;
    base.names = {QStringLiteral("Base 1"), QStringLiteral("Base 2")};
    base.preselected = 1;
    EXPECT_EQ(answers.chooseBase(base), 1);
    EXPECT_TRUE(user.folderRequests.empty());

    qputenv("QN3_TEST_ANSWERS", "B0");
    engine::ReponsesScriptees givingUp(user);
    qunsetenv("QN3_TEST_ANSWERS");
    EXPECT_EQ(givingUp.chooseBase(base), -1);
}
