// Makes chosen calls of the real host fail for the life of a guard, so that
// tests reach the add-in's handling of a host in trouble: calls of one
// function (and, when given, with a first argument of that number) pass
// `skip` times, then fail `times` times with xlretFailed. One guard at a time.
#pragma once

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "host/host.h"

namespace testhost {

class HostFault {
  public:
    HostFault(int function, int skip = 0, int times = INT_MAX,
              std::optional<double> firstArg = std::nullopt)
        : seen_(std::make_shared<Counts>()) {
        auto seen = seen_;
        host::setCallFault([=](int fn, const std::vector<host::Value>& args) {
            if (fn != function) return 0;
            if (firstArg && (args.empty() || !args[0].isNum() || args[0].num != *firstArg))
                return 0;
            const int n = seen->calls++;
            if (n < skip || n - skip >= times) return 0;
            ++seen->failed;
            return int(xlretFailed);
        });
    }
    // Every call of these functions fails.
    explicit HostFault(std::initializer_list<int> functions) : seen_(std::make_shared<Counts>()) {
        auto seen = seen_;
        std::vector<int> fns(functions);
        host::setCallFault([=](int fn, const std::vector<host::Value>&) {
            if (std::find(fns.begin(), fns.end(), fn) == fns.end()) return 0;
            ++seen->failed;
            return int(xlretFailed);
        });
    }
    ~HostFault() { host::setCallFault(nullptr); }
    HostFault(const HostFault&) = delete;
    HostFault& operator=(const HostFault&) = delete;

    // How many calls were made to fail; a test checks it to know the fault was met.
    int failed() const { return seen_->failed; }

  private:
    struct Counts {
        int calls = 0;
        int failed = 0;
    };
    std::shared_ptr<Counts> seen_;
};

}  // namespace testhost
