// Messages between the player window, the Decode thread and plug-ins, for the engine and the shell.
#pragma once
#include "platform/message_numbers.h"
