#include "rules/editor_command.h"

namespace runner {

std::string ExpandEditorCommand(const std::string &command, const std::string &file, long line) {
    static const std::string kFile = "{file}";
    static const std::string kLine = "{line}";
    std::string expanded;
    size_t position = 0;
    while (position < command.size()) {
        if (command.compare(position, kFile.size(), kFile) == 0) {
            expanded += file;
            position += kFile.size();
        } else if (command.compare(position, kLine.size(), kLine) == 0) {
            expanded += std::to_string(line);
            position += kLine.size();
        } else {
            expanded += command[position++];
        }
    }
    return expanded;
}

}  // namespace runner
