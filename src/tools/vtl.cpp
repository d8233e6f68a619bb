// vtl: the command-line tool for scene files.
#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
    std::fprintf(stderr, "usage: vtl info SCENE.vtl [--json] [--maps DIR]\n");
    return 2;
}
