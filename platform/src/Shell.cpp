#include "platform/Shell.h"

namespace platform {
namespace {

class NoOpener final : public ShellOpener {
public:
    void Open(const std::filesystem::path&, ShellFailure failed) override {
        if (failed) failed("no program to open documents is installed");
    }
};

NoOpener& Nothing() {
    static NoOpener opener;
    return opener;
}

ShellOpener*& Current() {
    static ShellOpener* current = &Nothing();
    return current;
}

}  // namespace

ShellOpener* SetShellOpener(ShellOpener* opener) {
    ShellOpener* previous = Current();
    Current() = opener ? opener : &Nothing();
    return previous == &Nothing() ? nullptr : previous;
}

void ShellOpen(const std::filesystem::path& document, ShellFailure failed) {
    Current()->Open(document, std::move(failed));
}

void OpenInWordProcessor(const std::filesystem::path& document, ShellFailure failed) {
    ShellOpen(document, std::move(failed));
}

}  // namespace platform
