// SPDX-License-Identifier: ISC
#include "tools/validate/checks/Outcome.h"

std::string Fault::text() const {
    switch (kind) {
    case Kind::BadSample:
        return call + ": " + what;
    case Kind::Allocated:
        return what + " during " + call;
    default:
        return call + " " + what;
    }
}

std::string Outcome::message() const {
    std::string text = reason;
    for (const std::string& part : {fault ? fault->text() : std::string(), context})
        if (!part.empty()) text += (text.empty() ? "" : ", ") + part;
    return text;
}

Outcome Pass(std::string figure) { return {Verdict::Pass, std::move(figure), std::nullopt, ""}; }
Outcome Warn(std::string why) { return {Verdict::Warn, std::move(why), std::nullopt, ""}; }
Outcome Fail(std::string why) { return {Verdict::Fail, std::move(why), std::nullopt, ""}; }
Outcome Fail(Fault fault, std::string context) {
    return {Verdict::Fail, "", std::move(fault), std::move(context)};
}
