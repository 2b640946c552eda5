#include "Report.h"

#include <cstdio>
#include <exception>

namespace sorvell::conformance
{

Outcome pass(std::string reason)
{
    return {Status::Pass, std::move(reason)};
}
Outcome fail(std::string reason)
{
    return {Status::Fail, std::move(reason)};
}
Outcome wrapperFault(std::string reason)
{
    return {Status::KnownWrapperFault, std::move(reason)};
}
Outcome expect(bool condition, std::string reason)
{
    return {condition ? Status::Pass : Status::Fail, std::move(reason)};
}

bool Report::wants(const std::string& name) const
{
    return mFilter.empty() || name.find(mFilter) != std::string::npos;
}

void Report::run(const std::string& name, const std::function<Outcome()>& check)
{
    if (!wants(name))
    {
        return;
    }
    Outcome outcome;
    try
    {
        outcome = check();
    }
    catch (const std::exception& error)
    {
        outcome = fail(std::string("exception: ") + error.what());
    }
    static const char* const labels[] = {"PASS", "FAIL", "KNOWN-WRAPPER-FAULT"};
    std::printf("%-19s %s", labels[static_cast<int>(outcome.status)], name.c_str());
    if (!outcome.reason.empty())
    {
        std::printf(": %s", outcome.reason.c_str());
    }
    std::printf("\n");
    std::fflush(stdout);
    ++mCount;
    if (outcome.status == Status::Fail)
    {
        ++mFailures;
    }
}

} // namespace sorvell::conformance
