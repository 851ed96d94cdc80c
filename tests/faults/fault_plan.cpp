#include "faults/fault_plan.h"

namespace ombrix::test {

std::string_view faultName(FaultKind kind) {
    switch (kind) {
    case FaultKind::None:
        return "None";
    case FaultKind::Close:
        return "Close";
    case FaultKind::Stall:
        return "Stall";
    case FaultKind::StopReading:
        return "StopReading";
    case FaultKind::Garbage:
        return "Garbage";
    case FaultKind::LongLine:
        return "LongLine";
    case FaultKind::Refuse:
        return "Refuse";
    case FaultKind::Bad:
        return "Bad";
    case FaultKind::BadText:
        return "BadText";
    case FaultKind::HugeCount:
        return "HugeCount";
    case FaultKind::LyingLiteral:
        return "LyingLiteral";
    case FaultKind::Nul:
        return "Nul";
    case FaultKind::Late:
        return "Late";
    case FaultKind::Split:
        return "Split";
    case FaultKind::Reorder:
        return "Reorder";
    case FaultKind::ExtraFetch:
        return "ExtraFetch";
    }
    return "?";
}

std::string commandVerb(std::string_view command) {
    const std::size_t first = command.find(' ');
    std::string_view verb = command.substr(0, first);
    if (verb == "UID" && first != std::string_view::npos) {
        const std::size_t second = command.find(' ', first + 1);
        verb = command.substr(0, second);
    }
    return std::string(verb);
}

bool stepMatches(const FaultStep& step, std::string_view command) {
    return commandVerb(command) == step.verb &&
           command.find(step.contains) != std::string_view::npos;
}

} // namespace ombrix::test
