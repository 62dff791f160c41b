// SPDX-License-Identifier: ISC
// Load-time setup of the floating-point unit of the thread that loads the module.
#pragma once

// Masks all floating-point exceptions of the calling thread so that invalid
// operations, divisions by zero and overflows in the effect give NaNs and
// infinities instead of traps. On x86 this sets the six mask bits of the x87
// control word (keeping the host's precision and rounding fields) after clearing
// pending exceptions; where SSE arithmetic is used, its control register gets
// its mask bits too.
void MaskFloatingPointExceptions();
