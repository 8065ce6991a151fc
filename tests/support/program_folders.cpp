#include "support/program_folders.h"

#include <filesystem>
#include <fstream>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "platform/text_encoding.h"

namespace tvtest {

namespace fs = std::filesystem;

ProgramFolders::ProgramFolders(bool pagesInWorkFolder)
    : work_(workDir_.str()),
      program_(programDir_.str()),
      out_(pagesInWorkFolder ? work_ : outDir_.str()),
      previousProgramDir_(tv::ProgramDir()),
      previousOutDir_(tv::ProcSettings.OutDir),
      previousTemplate_(tv::ProcSettings.Template) {
    tv::SetProgramDir(program_);
    tv::ProcSettings.OutDir = out_;
    tv::ProcSettings.Template = program_ + "template.html";
    workDir_.writeCaches({CacheRecord("GC1", "Eins", 49.5, 11.1), CacheRecord("GC2", "Zwei", 49.6, 11.2)});
    workDir_.write("WPList.txt", "GC1\r\nGC2\r\n");
    workDir_.write("tq.conf", "[Program]\r\nWorkDir=" + work_ + "\r\n");
    workDir_.write("german_towns.csv", "Erlangen;49.6;11.0\r\n");
    workDir_.write("template.html", "<html><!-- Arbeitsordner --></html>\r\n");
    programDir_.write("tq.conf", "[Program]\r\nLatestStart=1\r\n");
    programDir_.write("german_towns.csv", "Nürnberg;49.45;11.08\r\n");
    programDir_.write("template.html", "<html><!-- Programmordner --></html>\r\n");
    const TempDir& pages = pagesInWorkFolder ? static_cast<const TempDir&>(workDir_) : outDir_;
    pages.write("GC1.html", "<html>GC1</html>");
    pages.write("GC1.meta", "1#" + out_ + "GC1_i1.jpg\r\n1#Dose\r\n1#am Baum\r\n");
    pages.write("GC1_i1.jpg", "JFIF Dose");
    pages.write("GC1_converted.html", "<html>GC1 umgewandelt</html>");
}

ProgramFolders::~ProgramFolders() {
    tv::CacheIndexList.Clear();
    tv::ProcSettings.Template = previousTemplate_;
    tv::ProcSettings.OutDir = previousOutDir_;
    tv::SetProgramDir(previousProgramDir_);
}

std::map<std::string, std::string> ProgramFolders::Snapshot() const {
    std::map<std::string, std::string> files;
    auto add = [&files](const char* label, const fs::path& dir) {
        for (const auto& f : fs::recursive_directory_iterator(dir))
            files[std::string(label) + "/" + fs::relative(f.path(), dir).string()] =
                f.is_directory() ? "<dir>" : ReadFileBytes(f.path());
    };
    add("work", workDir_.path());
    add("program", programDir_.path());
    if (out_ != work_) add("out", outDir_.path());
    return files;
}

std::string RefusalText(const std::string& path, const std::string& as) {
    return tv::W("Die Datei ") + path + tv::W(" gehört zu den Daten des Programms und kann nicht als ") + as +
           tv::W(" gewählt werden.");
}

std::string LinkedRefusalText(const std::string& path, const std::string& file, const std::string& as) {
    return tv::W("Die Datei ") + path + tv::W(" führt zu ") + file +
           tv::W("; diese gehört zu den Daten des Programms und kann nicht als ") + as + tv::W(" gewählt werden.");
}

std::string UnresolvableText(const std::string& path, const std::string& as) {
    return "Der Name " + path + tv::W(" lässt sich nicht auflösen; die Datei kann nicht als ") + as +
           tv::W(" gewählt werden.");
}

std::string LinkChainTo(const TempDir& dir, const std::string& file, int fileLinks) {
    const fs::path target(file);
    fs::create_directory_symlink(target.parent_path(), dir.path() / "d");
    fs::create_symlink(fs::path("d") / target.filename(), dir.path() / "l1");
    for (int k = 2; k <= fileLinks; ++k)
        fs::create_symlink("l" + std::to_string(k - 1), dir.path() / ("l" + std::to_string(k)));
    return dir.str() + "l" + std::to_string(fileLinks);
}

std::vector<std::string> LinkFarmPage(const std::string& out, const std::string& farm) {
    fs::create_directories(farm);
    const std::pair<const char*, const char*> pairs[] = {
        {"GC3.html", "seite.html"}, {"GC3.meta", "bilder.txt"}, {"GC3_i1.jpg", "bild.jpg"}};
    std::vector<std::string> links, files;
    for (const auto& [name, file] : pairs) {
        std::ofstream(farm + file, std::ios::binary)
            << (name == std::string("GC3.meta") ? "1#GC3_i1.jpg\r\n1#Dose\r\n1#am Baum\r\n" : name);
        fs::create_symlink(farm + file, out + name);
        links.push_back(out + name);
        files.push_back(farm + file);
    }
    links.insert(links.end(), files.begin(), files.end());
    return links;
}

}  // namespace tvtest
