// Where message boxes go. Every box of the process passes through
// MessageBoxA (platform/os/win32.h), which converts the Windows-1252 texts to
// UTF-8 and then:
//  - hands (caption, text) to the installed observer, if any, and shows
//    nothing else (tests, capture);
//  - otherwise shows a modal SDL box when a real display is open;
//  - otherwise (no display, dummy or offscreen video, or the box failed)
//    writes "CAPTION: TEXT" and a line break to standard error.
// Main thread only.
#pragma once

#include <functional>
#include <string>

using MessageBoxObserver = std::function<void(const std::string& caption, const std::string& text)>;

// Installs `observer`; an empty function removes it.
void setMessageBoxObserver(MessageBoxObserver observer);

// Windows-1252 bytes to UTF-8 (the five unassigned bytes become U+FFFD).
std::string windows1252ToUtf8(const char* text);
