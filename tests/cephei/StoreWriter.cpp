// A process that writes a settings store, for the tests of writes made by other processes.
//   cephei-store-writer ROOT IDENTIFIER keys PREFIX COUNT   sets PREFIX-0 .. PREFIX-(COUNT-1) to 0 .. COUNT-1
//   cephei-store-writer ROOT IDENTIFIER churn BYTES         rewrites a BYTES-long "payload" until killed
#include <cephei/HBPreferences.hpp>
#include <foundation/DeviceRoot.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s ROOT IDENTIFIER (keys PREFIX COUNT | churn BYTES)\n", argv[0]);
        return 2;
    }
    DeviceRoot::set(argv[1]);
    auto store = HBPreferences::initWithIdentifier(argv[2]);
    std::string mode = argv[3];
    if (mode == "keys" && argc == 6) {
        long count = std::atol(argv[5]);
        for (long i = 0; i < count; ++i) {
            if (!store->setInteger(i, std::string(argv[4]) + "-" + std::to_string(i)))
                return 1;
        }
        return 0;
    }
    if (mode == "churn") {
        auto bytes = static_cast<size_t>(std::atol(argv[4]));
        for (unsigned round = 0;; ++round) {
            char letter = static_cast<char>('a' + round % 26);
            if (!store->setObject(PlistValue(std::string(bytes, letter)), "payload"))
                return 1;
        }
    }
    return 2;
}
