// The player window's procedure: a switch that hands each message to its handler.
#pragma once
#include <windows.h>

constexpr const char* kPlayerClassName = "zav";
constexpr const char* kPlayerTitle = "Zav 0.77";

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
