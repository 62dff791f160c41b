// SPDX-License-Identifier: ISC
// What a test of the validator comes to: a pass, a warning or a failure, with
// the reason, and the call that showed it when one did. The report prints it
// as one line: "PASS name[: figure]", "WARN name: why", "FAIL name: why".
#pragma once

#include <optional>
#include <string>

enum class Verdict { Pass, Warn, Fail };

// A call that misbehaved: the call as the report names it, and what it did.
struct Fault {
    enum class Kind {
        NoInstance,   // the entry point gave no usable instance
        WroteOutside, // wrote outside a buffer it was given
        BadSample,    // gave an output sample that is not finite, or beyond +60 dBFS
        BadText,      // wrote a text too long, without its zero, or unprintable
        BadValue,     // gave a parameter value outside 0 to 1
        Allocated,    // allocated or freed heap memory on the audio thread
    };
    Kind kind;
    std::string call; // e.g. "processReplacing (block length 1, sample 0, 44100 Hz, noise)"
    std::string
        what; // e.g. "wrote outside the output block: channel 0, sample 1 (after the block)"

    // The call and what it did, as one phrase.
    std::string text() const;
};

struct Outcome {
    Verdict verdict = Verdict::Pass;
    // Why it warns or fails (before the fault, when there is one), or a figure
    // worth reporting for a pass.
    std::string reason;
    std::optional<Fault> fault; // the call that showed it, when one did
    std::string context;        // what led to that call, when it matters

    // The reason, the fault and its context, as the report prints them.
    std::string message() const;
};

Outcome Pass(std::string figure = "");
Outcome Warn(std::string why);
Outcome Fail(std::string why);
// A failure a call showed, after `context` ("after setParameter (index 2, value
// 0.5)") when there is one.
Outcome Fail(Fault fault, std::string context = "");
