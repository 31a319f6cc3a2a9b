/* Says that it ran: whether this machine runs this build's programs at all. */
#include <stdio.h>

int main(void)
{
    puts("Windows programs of this build run here");
    return 0;
}
