#include "grade.h"

#include "files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

namespace fs = std::filesystem;

namespace mox {

namespace {

std::string lowerReason(std::string reason) {
    if (!reason.empty())
        reason[0] = lowerChar(reason[0]);
    return reason;
}

// The name's last four characters in lower case, as students' files come
// from every kind of system.
std::string extensionOf(std::string_view name) {
    return name.size() < 4 ? std::string() : lowerText(name.substr(name.size() - 4));
}

std::nullopt_t unreadable(Submission& s, const std::string& reason) {
    s.readable = false;
    s.error = "cannot be read: " + reason;
    return std::nullopt;
}

// Every submission in the folder and the folders in it; a folder that cannot
// be read is a problem, and the search goes on beside it. Links to folders
// are not followed, so a loop of them cannot keep the search going.
void searchFolder(const fs::path& folder, std::vector<fs::path>& files,
                  std::vector<std::string>& problems) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with('.') || name == "__MACOSX")
            continue;
        std::error_code ignored; // an entry gone meanwhile is no folder
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            searchFolder(it->path(), files, problems);
        else if (isSubmissionName(name))
            files.push_back(it->path());
    }
    if (ec)
        problems.push_back(printableText(folder.string()) +
                           ": cannot be read: " + lowerReason(ec.message()));
}

} // namespace

bool isSubmissionName(std::string_view name) {
    const std::string ending = extensionOf(name);
    return ending == ".asm" || ending == ".8xe";
}

namespace {

// The file's own verdict when it cannot be run at all; else its text, which
// then goes to each run.
std::optional<std::string> readSubmission(const std::string& file, Submission& s) {
    s.file = file;
    s.source = extensionOf(file) == ".asm";
    const FileCheck check = checkFile(file);
    if (!check.problem.empty())
        return unreadable(s, check.problem);
    // A pipe or a device could keep the grader waiting for ever.
    if (!check.regular)
        return unreadable(s, "not a regular file");
    if (check.size > maxSubmissionBytes) {
        s.error = "too large: " + std::to_string(check.size) + " bytes, more than " +
                  std::to_string(maxSubmissionBytes >> 20) + " MiB";
        return std::nullopt;
    }
    auto text = readTextFile(file);
    if (!text)
        return unreadable(s, lowerReason(std::strerror(errno)));
    return text;
}

// The name up to its first '.', as zerlant names its output.
std::string studentOfFile(const fs::path& file) {
    const std::string name = file.filename().string();
    return name.substr(0, name.find('.'));
}

} // namespace

Graded gradeFile(const std::string& file, const Exercise& exercise) {
    Graded g;
    g.file = file;
    Submission read;
    try {
        if (const auto text = readSubmission(file, read))
            g.runs = checkExercise(*text, read, exercise);
        else
            g.runs.assign(exercise.tests.size(), read);
    } catch (const std::bad_alloc&) {
        read.error = "out of memory";
        g.runs.assign(exercise.tests.size(), read);
    }
    return g;
}

FoundFiles findSubmissions(const std::vector<std::string>& paths) {
    FoundFiles found;
    for (const std::string& path : paths) {
        const std::string name = printableText(path);
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (!fs::exists(status)) {
            found.problems.push_back(name + ": no such file or folder");
        } else if (!fs::is_directory(status)) {
            if (isSubmissionName(path))
                found.files.push_back({path, studentOfFile(path)});
            else
                found.problems.push_back(name + ": not a .asm or .8xe file");
        } else {
            std::vector<fs::path> files;
            const std::size_t problemsBefore = found.problems.size();
            searchFolder(path, files, found.problems);
            if (files.empty() && found.problems.size() == problemsBefore)
                found.problems.push_back(name + ": holds no .asm or .8xe file");
            std::sort(files.begin(), files.end(),
                      [](const fs::path& a, const fs::path& b) { return a.string() < b.string(); });
            for (const fs::path& file : files) {
                const fs::path inside = file.lexically_relative(path);
                const bool inFolder = std::distance(inside.begin(), inside.end()) > 1;
                found.files.push_back(
                    {file.string(), inFolder ? inside.begin()->string() : studentOfFile(file)});
            }
        }
    }
    return found;
}

} // namespace mox
