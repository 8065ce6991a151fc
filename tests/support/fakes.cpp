#include "support/fakes.h"

namespace tv::platform {

namespace {
template <typename T>
std::optional<T> Next(std::deque<std::optional<T>>& q) {
    if (q.empty()) return std::nullopt;
    auto v = std::move(q.front());
    q.pop_front();
    return v;
}
}  // namespace

MsgResult FakeMessageBox::show(MsgKind kind, const std::string& text, MsgButtons buttons,
                               const std::string& caption, MsgDefault defaultButton) {
    shown.push_back({kind, text, buttons, caption, defaultButton});
    if (onShow) onShow(shown.back());
    if (!answers.empty()) {
        MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Yes;
}

std::optional<std::string> FakeFileDialogs::openFile(const std::string& title, const std::string&,
                                                     const std::string&) {
    titles.push_back(title);
    return Next(openAnswers);
}

std::optional<std::vector<std::string>> FakeFileDialogs::openFiles(const std::string& title, const std::string&,
                                                                   const std::string&) {
    titles.push_back(title);
    return Next(openManyAnswers);
}

std::optional<std::string> FakeFileDialogs::saveFile(const std::string& title, const std::string& filter,
                                                     const std::string&) {
    titles.push_back(title);
    lastFilter = filter;
    lastSelectedFilter.clear();
    return Next(saveAnswers);
}

std::optional<std::string> FakeFileDialogs::saveFileFiltered(const std::string& title, const std::string& filter,
                                                             const std::string& selectedFilter,
                                                             const std::string&) {
    titles.push_back(title);
    lastFilter = filter;
    lastSelectedFilter = selectedFilter;
    return Next(saveAnswers);
}

std::optional<std::string> FakeFileDialogs::chooseFolder(const std::string& title, const std::string&) {
    titles.push_back(title);
    return Next(folderAnswers);
}

}  // namespace tv::platform
