#pragma once

#include <functional>
#include <string>

namespace qn3::testing {

// What a child of root answers when it could not become "nobody".
inline constexpr char kCannotDropRights[] = "cannot drop rights";

// The two sides of `inChild` take turns: each passes the turn to the other
// and waits for it to come back (false once the other side has gone).
class Turns {
public:
    explicit Turns(int end) : end_(end) {}
    void pass();
    bool wait();
    // Whether the turn came back, without waiting for it.
    bool came();

private:
    int end_;
};

// Runs `body` in a child process and returns what it answered (at most 64 KiB),
// through memory the two share, while `meanwhile` runs in this process. With
// `unprivileged`, a child of root becomes "nobody" first, so that permission
// bits bind it as they bind a user; the machine is left as it is.
std::string inChild(bool unprivileged, const std::function<std::string(Turns&)>& body,
                    const std::function<void(Turns&)>& meanwhile = {});
std::string inChild(bool unprivileged, const std::function<std::string()>& body);

} // namespace qn3::testing
