// One line per check: "PASS", "FAIL" or "KNOWN-WRAPPER-FAULT", the check's name and the reason.
// A filter keeps the checks whose name contains it; every failure makes the exit status non-zero.
#pragma once

#include <functional>
#include <string>

namespace sorvell::conformance
{

enum class Status
{
    Pass,
    Fail,
    KnownWrapperFault,
};

struct Outcome
{
    Status status = Status::Pass;
    std::string reason;
};

Outcome pass(std::string reason = {});
Outcome fail(std::string reason);
// The check fails because of the DPF wrapper of this format, not the plugin; the reason says how.
Outcome wrapperFault(std::string reason);
// Pass when the condition holds, fail otherwise; the reason is printed either way.
Outcome expect(bool condition, std::string reason);

class Report
{
public:
    explicit Report(std::string filter) : mFilter(std::move(filter)) {}

    bool wants(const std::string& name) const;
    // Runs a check when the filter wants it and prints its line; an exception is a failure.
    void run(const std::string& name, const std::function<Outcome()>& check);

    int failures() const { return mFailures; }
    int count() const { return mCount; }

private:
    std::string mFilter;
    int mFailures = 0;
    int mCount = 0;
};

} // namespace sorvell::conformance
