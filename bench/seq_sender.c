/* The traffic of bench/forward_rsyslog.sh: COUNT FireWall datagrams (facility local0) to
 * 127.0.0.1:PORT at a paced RATE per second (0: as fast as possible), each carrying its number
 * "seq=N" so that a collector's file tells exactly which entries arrived and which twice.
 * The pace is kept against the monotonic clock, so a late start catches up.
 *   seq_sender PORT COUNT RATE [FIRST]
 * Prints "sent N in S s: R per second" on standard error at the end. */
#define _GNU_SOURCE
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: seq_sender PORT COUNT RATE [FIRST]\n");
        return 2;
    }
    const int port = atoi(argv[1]);
    const long count = atol(argv[2]);
    const double rate = atof(argv[3]);
    const long first = argc > 4 ? atol(argv[4]) : 0;

    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    struct sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = htons((unsigned short)port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, (struct sockaddr*)&to, sizeof to) != 0) {
        perror("seq_sender");
        return 1;
    }
    /* The datagrams due so far go out together, up to BATCH with one sendmmsg, so that the
     * sender's own cost stays small beside the relays it measures. */
    enum
    {
        BATCH = 64,
        SIZE = 256
    };
    static char text[BATCH][SIZE];
    struct mmsghdr messages[BATCH];
    struct iovec parts[BATCH];
    const double start = now();
    long i = 0;
    while (i < count) {
        long due = count;
        if (rate > 0) {
            due = (long)((now() - start) * rate) + 1;
            if (due > count)
                due = count;
            if (due <= i) {
                struct timespec pause = {0, (long)((double)(i + 1 - due) / rate * 1e9)};
                nanosleep(&pause, NULL);
                continue;
            }
        }
        int batch = 0;
        for (; batch < BATCH && i < due; ++batch, ++i) {
            const long n = first + i;
            const int size =
                snprintf(text[batch], SIZE,
                         "<134>Mar 14 09:26:53 gw: DROP IN=eth0 OUT= SRC=192.168.1.%ld "
                         "DST=10.0.0.1 PROTO=UDP DPT=%ld seq=%ld",
                         n % 250, n % 65535, n);
            parts[batch].iov_base = text[batch];
            parts[batch].iov_len = (size_t)size;
            memset(&messages[batch], 0, sizeof messages[batch]);
            messages[batch].msg_hdr.msg_iov = &parts[batch];
            messages[batch].msg_hdr.msg_iovlen = 1;
        }
        /* A datagram the kernel refuses (a full buffer says ENOBUFS rarely on loopback) is
         * lost, which the collector's count shows like any other loss. */
        for (int sent = 0; sent < batch;) {
            const int n = sendmmsg(fd, messages + sent, (unsigned)(batch - sent), 0);
            if (n <= 0)
                break;
            sent += n;
        }
    }
    const double seconds = now() - start;
    fprintf(stderr, "sent %ld in %.3f s: %.0f per second\n", count, seconds,
            seconds > 0 ? (double)count / seconds : 0.0);
    close(fd);
    return 0;
}
