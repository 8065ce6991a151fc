// The guard every writer of a file the user names asks first.
#include "core/program_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "core/file_procs.h"
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

TEST(ProgramFileRefusal, NamesAreJudgedAsResolvedAndOnesThatCannotBeAreRefused) {
    tvtest::ProgramFolders f(false);
    tvtest::TempDir links, loop;
    const std::string chain = tvtest::LinkChainTo(links, f.work() + "Caches.bin", 40);
    std::filesystem::create_symlink("b", loop.path() / "a");
    std::filesystem::create_symlink("a", loop.path() / "b");
    for (const std::string& target : {chain, loop.str() + "a", loop.str() + "a/neu.txt"}) {
        const auto refused = ProgramFileRefusal(target, f.work(), TargetRole::CodeList);
        ASSERT_TRUE(refused.has_value()) << target;
        EXPECT_EQ(refused->code, kErrProgramFile);
        EXPECT_EQ(refused->message, tvtest::UnresolvableText(target, "Wegpunktliste"));
        EXPECT_TRUE(IsProgramFile(target, f.work(), {})) << target;
    }
    // One link fewer resolves, to the database.
    const std::string shorter = links.str() + "l39";
    const auto resolved = ProgramFileRefusal(shorter, f.work(), TargetRole::Export);
    ASSERT_TRUE(resolved.has_value());
    EXPECT_EQ(resolved->message, tvtest::LinkedRefusalText(shorter, f.work() + "Caches.bin", "Exportdatei"));
    // A relative name lies in the current folder, by any spelling.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(f.work());
    const auto relative = ProgramFileRefusal("caches.BIN", f.work(), TargetRole::Export);
    const bool beside = ProgramFileRefusal("liste.gpx", f.work(), TargetRole::Export).has_value();
    std::filesystem::current_path(previous);
    ASSERT_TRUE(relative.has_value());
    EXPECT_EQ(relative->message, tvtest::RefusalText("caches.BIN", "Exportdatei"));
    EXPECT_FALSE(beside);
    // New files, through the folder link and in folders still to be made.
    for (const std::string& fresh : {links.str() + "d/liste.gpx", f.out() + "neu/liste.gpx", f.out() + "neu/a/b.txt"})
        EXPECT_FALSE(ProgramFileRefusal(fresh, f.work(), TargetRole::Export).has_value()) << fresh;
    // A name the system refuses says why.
    for (const std::string& bad : {std::string(), f.out() + std::string(300, 'x')}) {
        const Error refused = ProgramFileRefusal(bad, f.work(), TargetRole::Export).value_or(Error{});
        EXPECT_EQ(refused.code, bad.empty() ? ENOENT : ENAMETOOLONG);
        EXPECT_EQ(refused.message, WriteErrorText(bad));
    }
}

TEST(ProgramFileRefusal, StoredListingPagesTheirMetaFilesAndPicturesAreKeptInTheDescriptionFolderAndBelow) {
    tvtest::ProgramFolders f(false);
    tvtest::TempDir links;
    const std::string out = f.out();
    // A page moved into a subfolder, stored without pictures.
    std::filesystem::create_directory(out + "Harz");
    for (const auto& [name, bytes] :
         std::vector<std::pair<std::string, std::string>>{{"Harz/gc5.HTML", "<html>GC5</html>"},
                                                          {"Harz/GC5_i1.gif", "GIF"},
                                                          {"index.html", "<html></html>"},
                                                          {"GC1_i2.jpg", "JFIF"},
                                                          {"GC1_map.png", "PNG"},
                                                          {"Notizen.html", "<html></html>"},
                                                          // read as the page reads them: no caption, a blank last line
                                                          {"GC3.meta", "1#GC3_i1.jpg\r\n1#Dose\r\n"},
                                                          {"GC3_i1.jpg", "JFIF"},
                                                          {"GC4.meta", "1#GC4_i1.jpg\r\n1#Dose\r\n1#am Baum\r\n\r\n"},
                                                          {"GC4_i1.jpg", "JFIF"}})
        ASSERT_TRUE(WriteFileAtomic(out + name, bytes));
    std::filesystem::create_symlink(out + "GC1.meta", links.path() / "bilder.txt");
    for (const std::string& target :
         {out + "GC1.html", out + "gc1.HTML", out + "GC1.meta", out + "gc1_I1.JPG", out + "Harz/GC5.html",
          out + "Harz/../GC1_i1.jpg", out + "GC3_i1.jpg", out + "GC4_i1.jpg"}) {
        const auto refused = ProgramFileRefusal(target, f.work(), TargetRole::IndexPage);
        ASSERT_TRUE(refused.has_value()) << target;
        EXPECT_EQ(refused->message, tvtest::RefusalText(target, "Indexdatei"));
    }
    EXPECT_EQ(ProgramFileRefusal(links.str() + "bilder.txt", f.work(), TargetRole::IndexPage).value_or(Error{}).message,
              tvtest::LinkedRefusalText(links.str() + "bilder.txt", out + "GC1.meta", "Indexdatei"));
    // Made from them, not named by a .meta, of no listing, or new.
    for (const std::string& target :
         {out + "GC1_converted.html", out + "GC1_i2.jpg", out + "GC1_map.png", out + "Harz/GC5_i1.gif",
          out + "index.html", out + "Notizen.html", out + "GC2.html", out + "Harz/GC1.meta", out + "liste.gpx"})
        EXPECT_FALSE(ProgramFileRefusal(target, f.work(), TargetRole::IndexPage).has_value()) << target;
    // The description folder through a link to a name Windows-1252 lacks ("Jürgen" decomposed).
    std::filesystem::rename(out + "Harz", out + "Ju\xCC\x88rgen");
    std::filesystem::create_directory_symlink(out + "Ju\xCC\x88rgen", links.path() / "aus");
    ProcSettings.OutDir = links.str() + "aus";
    EXPECT_TRUE(ProgramFileRefusal(links.str() + "aus/GC5.html", f.work(), TargetRole::IndexPage).has_value());
}

}  // namespace
}  // namespace tv
