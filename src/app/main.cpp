#include <cstring>

#include "app/SelfCheck.h"
#include "app/Watch.h"

int main(int argc, char** argv) {
    bool check = false;
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        check = check || std::strcmp(argv[i], "--check") == 0;
        json = json || std::strcmp(argv[i], "--json") == 0;
    }
    if (check) {
        return tv::runSelfCheck(json);
    }
    return tv::runWatch(argc, argv);
}
