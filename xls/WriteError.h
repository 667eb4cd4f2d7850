#pragma once
// The failure of writing a workbook file.  It carries what failed, the
// system's error number and the file's path as values, so that a caller can
// word its own message without reading the text; what() is the writer's own
// text, which a caller may show as it is.

#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace vte {

class WriteError : public std::runtime_error {
public:
    enum class Step {
        CreateFile,    // the file cannot be created: "StgCreateDocFile error <-error>"
        CreateStream,  // the stream cannot be made:  "CreateStream error <-error>"
        Write,         // writing, closing or renaming failed: the system's text (strerror)
    };

    // `error` is an errno value (positive); `path` the file as the caller named it.
    WriteError(Step step, int error, std::string path)
        : std::runtime_error(Text(step, error)), step_(step), error_(error), path_(std::move(path)) {}

    Step step() const noexcept { return step_; }
    int error() const noexcept { return error_; }
    const std::string &path() const noexcept { return path_; }

private:
    static std::string Text(Step step, int error) {
        switch (step) {
        case Step::CreateFile: return "StgCreateDocFile error " + std::to_string(-error);
        case Step::CreateStream: return "CreateStream error " + std::to_string(-error);
        case Step::Write: break;
        }
        return std::strerror(error);
    }

    Step step_;
    int error_;
    std::string path_;
};

}  // namespace vte
