// Runs the vtl tool as a user would and collects what it says.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/testutil.h"

namespace vortella {

struct run_result {
    int status;
    std::string out, err;
};

inline run_result vtl(const std::string &args, const test::tempdir &dir) {
    const std::string errfile = dir.file("stderr.txt");
    const std::string cmd = std::string(VTL_PATH) + " " + args + " 2>" + errfile;
    run_result r{};
    std::FILE *p = popen(cmd.c_str(), "r");
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.err = test::readtext(errfile);
    return r;
}

}  // namespace vortella
