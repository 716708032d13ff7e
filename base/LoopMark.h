// base/LoopMark.h: the header by which the plug-in marks the messages it writes or
// rewrites (notifications, forwarded copies, annotated copies). The scanner passes a
// marked message by, so that the plug-in never filters its own mail again and two
// filters cannot send each other's messages round in a loop.
#pragma once

#include <array>
#include <cstddef>

namespace loop_mark_detail {

// `first` followed by `second`, both terminated strings, as one terminated string.
template <size_t A, size_t B>
constexpr std::array<char, A + B - 1> Joined(const std::array<char, A>& first,
                                             const std::array<char, B>& second) {
    std::array<char, A + B - 1> text{};
    for (size_t i = 0; i + 1 < A; ++i) text[i] = first[i];
    for (size_t i = 0; i < B; ++i) text[A - 1 + i] = second[i];
    return text;
}

constexpr auto kName = std::to_array("X-QPFilter");
constexpr auto kValue = std::to_array("1");
constexpr auto kStart = Joined(kName, std::to_array(": "));
constexpr auto kLine = Joined(Joined(kStart, kValue), std::to_array("\r\n"));
constexpr auto kPostofficeName = std::to_array("X-QP-POFilter");
constexpr auto kPostofficeStart = Joined(kPostofficeName, std::to_array(": "));

}  // namespace loop_mark_detail

// The header's name and the value the plug-in gives it.
constexpr const char* kLoopMarkName = loop_mark_detail::kName.data();
constexpr const char* kLoopMarkValue = loop_mark_detail::kValue.data();
// How a marked header line begins ("X-QPFilter: "): a line starting so marks the message,
// whatever its value.
constexpr const char* kLoopMarkStart = loop_mark_detail::kStart.data();
// The whole header line as the plug-in writes it, CR LF included.
constexpr const char* kLoopMarkLine = loop_mark_detail::kLine.data();

// The second mark, left by a postoffice's forward: its value names the postoffice, whose
// own filters then leave the message alone.
constexpr const char* kPostofficeMarkName = loop_mark_detail::kPostofficeName.data();
constexpr const char* kPostofficeMarkStart = loop_mark_detail::kPostofficeStart.data();
