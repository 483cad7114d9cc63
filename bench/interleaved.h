#pragma once
// Client against floor, measured interleaved: each repetition runs one client exchange and then
// one floor exchange against the same loopback responder, so that a busy machine slows both
// alike and the ratio stays put.

namespace kestrum::bench {

// Prints one line per pair (SNTP, Time protocol): the medians of `rounds` rounds of `pairs`
// repetitions, the ratio of the overall medians and the spread of the rounds' ratios.
int Interleaved(int rounds, int pairs);

}  // namespace kestrum::bench
