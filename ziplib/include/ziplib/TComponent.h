// The part of the platform's component that the archiver needs: a name, which prefixes the
// messages of the errors it raises, and the component that owns it. Nothing is streamed, and the
// owner does not free what it owns: in C++ whoever creates a component keeps it.
#pragma once

#include <string>

namespace ziplib {

class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr) : owner_(owner) {}
    virtual ~TComponent() = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }

    std::string Name;  // UTF-8; empty when the component has none

private:
    TComponent* owner_;
};

}  // namespace ziplib
