#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace qn3::testing {

// What a child of root answers when it could not become "nobody".
inline constexpr char kCannotDropRights[] = "cannot drop rights";

// How long one side waits for the other, and the child for its end: far more
// than any test needs, so that only a hang reaches it.
inline constexpr std::chrono::seconds kChildLimit{120};

// The two sides of `inChild` take turns: each passes the turn to the other
// and waits for it to come back.
class Turns {
public:
    explicit Turns(int end) : end_(end) {}
    void pass();
    // Waits for the turn; false once the other side has gone (its turn can
    // never come) or has not passed it within kChildLimit.
    bool wait();
    // Whether the turn came back, without waiting for it. `Gone`: the other
    // side has ended, so the turn will never come; a loop waiting for it must
    // stop there and fail rather than take it for "not yet".
    enum class Turn { NotYet, Came, Gone };
    Turn check();

private:
    int end_;
};

// Runs `body` in a child process and returns what it answered (at most 64 KiB),
// through memory the two share, while `meanwhile` runs in this process. With
// `unprivileged`, a child of root becomes "nobody" first, so that permission
// bits bind it as they bind a user; the machine is left as it is. A child
// still running kChildLimit after `meanwhile` is killed; a child that did not
// end by itself answers what happened to it instead.
std::string inChild(bool unprivileged, const std::function<std::string(Turns&)>& body,
                    const std::function<void(Turns&)>& meanwhile = {});
std::string inChild(bool unprivileged, const std::function<std::string()>& body);

} // namespace qn3::testing
