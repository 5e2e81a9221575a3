// The random source: the same sequence in every run.
#include "animation/animation.h"

uint32_t rand_state = 1;

// Bits 16 to 30 of the next state: 0 to 32767.
int next_random() {
    rand_state = rand_state * 214013u + 2531011u;
    return int((rand_state >> 16) & 0x7fff);
}
