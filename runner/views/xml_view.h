// The XML view: the full report of the latest run, shown as the Unicode text it is.
#pragma once

#include <windows.h>

#include <cstdint>

namespace runner {

void SetUpXmlView(HWND edit);

// The XML view's part of the runner's event handling.
void XmlViewOnEvent(int32_t code);

// Fills the view with a report that came while it was hidden. Call once it is shown.
void XmlViewShown();

// The view holds a report, shown or waiting to be.
bool XmlViewHasText();

}  // namespace runner
