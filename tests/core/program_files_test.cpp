// The guard every writer of a file the user names asks first.
#include "core/program_files.h"

#include <gtest/gtest.h>

#include "core/proc_settings.h"
#include "support/program_folders.h"

namespace tv {
namespace {

TEST(ProgramFileRefusal, NamesTheFileAsWhatItWasToBecome) {
    tvtest::ProgramFolders f(false);
    const std::string db = f.work() + "Caches.bin";
    const std::pair<TargetRole, const char*> roles[] = {{TargetRole::Export, "Exportdatei"},
                                                        {TargetRole::Suitcase, "Aktenkofferdatei"},
                                                        {TargetRole::CodeList, "Wegpunktliste"},
                                                        {TargetRole::IndexPage, "Indexdatei"}};
    for (const auto& [role, as] : roles) {
        const auto refused = ProgramFileRefusal(db, f.work(), role);
        ASSERT_TRUE(refused.has_value()) << as;
        EXPECT_EQ(refused->code, kErrProgramFile);
        EXPECT_EQ(refused->message, tvtest::RefusalText(db, as));
    }
    EXPECT_EQ(ProgramFileText(db), tvtest::RefusalText(db, "Exportdatei"));
    EXPECT_FALSE(ProgramFileRefusal(f.out() + "Caches.bin", f.work(), TargetRole::Export).has_value());
}

TEST(ProgramFileRefusal, TheListOfNewCodesMayBeTheWorkFoldersOwnAndTheTemplateIsKeptWhereverItIs) {
    tvtest::ProgramFolders f(false);
    EXPECT_FALSE(ProgramFileRefusal(f.work() + "wpnew.TXT", f.work(), TargetRole::CodeList).has_value());
    for (const TargetRole role : {TargetRole::Export, TargetRole::Suitcase, TargetRole::IndexPage})
        EXPECT_TRUE(ProgramFileRefusal(f.work() + "WPnew.txt", f.work(), role).has_value());
    EXPECT_TRUE(ProgramFileRefusal(f.program() + "WPnew.txt", f.work(), TargetRole::CodeList).has_value());

    ProcSettings.Template = f.out() + "Vorlage.html";
    EXPECT_TRUE(ProgramFileRefusal(f.out() + "vorlage.html", f.work(), TargetRole::IndexPage).has_value());
    EXPECT_FALSE(ProgramFileRefusal(f.out() + "Vorlage2.html", f.work(), TargetRole::IndexPage).has_value());
    // Further inputs of the writer count too.
    EXPECT_TRUE(
        ProgramFileRefusal(f.out() + "liste.txt", f.work(), TargetRole::Export, {f.out() + "liste.txt"}).has_value());
}

}  // namespace
}  // namespace tv
