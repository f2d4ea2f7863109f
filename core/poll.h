// The 100 ms poll: pager leave, edge switching, follow-active, refresh.
#pragma once
#include "platform/types.h"

constexpr int PollTimerId = 472;
constexpr int PollTimerMs = 100;

void PollTick();
void FollowWindow(plat::Hwnd w);
