// The power snapshot, the version text and the drawing of the status block.
#pragma once

#include "countdown_state.h"

void TakePowerSnapshot(CountdownState& state);
void BuildVersionText(CountdownState& state);
void DrawStatusBlock(HDC dc, HWND window, const CountdownState& state, int rowPitch);
