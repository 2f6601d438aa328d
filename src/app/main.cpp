#include <cstdio>

int main()
{
    std::fputs("quendal-syslog: not built yet\n", stderr);
    return 2;
}
