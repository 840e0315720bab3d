#pragma once

#include <functional>
#include <string>

namespace qn3::testing {

// What a child of root answers when it could not become "nobody".
inline constexpr char kCannotDropRights[] = "cannot drop rights";

// Runs `body` in a child process and returns what it answered (at most 64 KiB),
// through memory the two share. With `unprivileged`, a child of root becomes
// "nobody" first, so that permission bits bind it as they bind a user; the
// machine is left as it is.
std::string inChild(bool unprivileged, const std::function<std::string()>& body);

} // namespace qn3::testing
