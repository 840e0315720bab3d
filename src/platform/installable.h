#pragma once

// Every Windows facility of this layer is an interface with one standard
// implementation. Tests put a double in its place for the length of a scope;
// nothing else ever replaces it, so callers simply ask for `current()`.

namespace qn3::platform {

template <class Interface>
class Installable {
public:
    // The installed double, or the standard implementation when none is.
    static Interface& current() { return installed_ ? *installed_ : Interface::standard(); }

private:
    template <class> friend class ScopedInstall;
    static inline Interface* installed_ = nullptr;
};

// Installs `impl` until the end of the scope, then restores what was there.
template <class Interface>
class ScopedInstall {
public:
    explicit ScopedInstall(Interface& impl) : previous_(Installable<Interface>::installed_)
    {
        Installable<Interface>::installed_ = &impl;
    }
    ~ScopedInstall() { Installable<Interface>::installed_ = previous_; }
    ScopedInstall(const ScopedInstall&) = delete;
    ScopedInstall& operator=(const ScopedInstall&) = delete;

private:
    Interface* previous_;
};

} // namespace qn3::platform
