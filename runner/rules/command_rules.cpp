#include "rules/command_rules.h"

namespace runner {

bool IsOffered(OfferRule rule, const WindowFacts &facts) {
    switch (rule) {
    case OfferRule::Always:
        return true;
    case OfferRule::BatchAvailable:
        return facts.batchAvailable;
    case OfferRule::ReportShown:
        return facts.reportShown;
    case OfferRule::CurrentTestFunction:
        return facts.currentTestFunction;
    case OfferRule::NotInListMode:
        return !facts.listMode;
    case OfferRule::NotInXmlMode:
        return facts.listMode;
    case OfferRule::LibraryOpen:
        return facts.libraryOpen;
    case OfferRule::FailuresRecorded:
        return facts.batchAvailable && facts.failuresRecorded;
    case OfferRule::SeparateRunInProgress:
        return facts.separateRunInProgress;
    case OfferRule::SeparateProcessChosen:
        return facts.separateProcessChosen;
    }
    return false;
}

bool IsOffered(OfferRule rule, DuringRun duringRun, const WindowFacts &facts) {
    return IsOffered(rule, facts) && (!facts.separateRunInProgress || duringRun == DuringRun::Offered);
}

}  // namespace runner
