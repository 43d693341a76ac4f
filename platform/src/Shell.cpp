#include "platform/Shell.h"

namespace platform {
namespace {

class NoOpener final : public ShellOpener {
public:
    bool Open(const std::filesystem::path&) override { return false; }
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

bool ShellOpen(const std::filesystem::path& document) { return Current()->Open(document); }

bool OpenInWordProcessor(const std::filesystem::path& document) { return ShellOpen(document); }

}  // namespace platform
