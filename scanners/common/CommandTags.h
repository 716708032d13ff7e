// scanners/common/CommandTags.h: reading the tagged fields of a command the plug-in sends
// a scanner library ("<COMMAND>VERIFY</COMMAND><FILENAME>path</FILENAME>").
#pragma once

#include <string>

// The text between <tag> and </tag>; empty when the tag is absent. An unclosed tag gives
// the rest of the command, so that a command cut short still names its file.
inline std::string CommandTagValue(const std::string& command, const char* tag) {
    const std::string open = std::string("<") + tag + ">";
    const std::string close = std::string("</") + tag + ">";
    size_t start = command.find(open);
    if (start == std::string::npos) return "";
    start += open.size();
    const size_t end = command.find(close, start);
    return command.substr(start, end == std::string::npos ? std::string::npos : end - start);
}
