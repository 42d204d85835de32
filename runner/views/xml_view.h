// The XML view: the full report of the latest run, shown as the Unicode text it is.
#pragma once

#include <windows.h>

#include <cstdint>

namespace runner {

void SetUpXmlView(HWND edit);

// The XML view's part of the runner's event handling.
void XmlViewOnEvent(int32_t code);

// Builds the report of a run that ended while the view was hidden. Call once it is
// shown.
void XmlViewShown();

// The view holds a report, or will once shown.
bool XmlViewHasText();

}  // namespace runner
