#include <cstdio>

int main()
{
    std::puts("Tarnwick: the rules are built and tested; the game window comes next.");
    return 0;
}
