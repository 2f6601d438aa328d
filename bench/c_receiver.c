/* The plain C anchor of bench/compare_rsyslog.sh: the receiver's work without any framework.
 * Receives syslog datagrams on 127.0.0.1:PORT, keeps those with a "<PRI>" header of facility
 * 16 to 20, and appends each as three CR LF lines (time, host, message) to its category's file
 * in FOLDER, the files opened once in append mode. Datagrams waiting together are read with one
 * recvmmsg (at most 64) and written with one write per file; --simple reads one datagram per
 * recvfrom and writes it at once instead.
 *   c_receiver PORT FOLDER RCVBUF_BYTES [--simple]
 * Prints "ready" on standard error once bound and "read N stored M" when SIGTERM or SIGINT ends
 * it. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

enum
{
    BATCH = 64,
    DATAGRAM = 1500,
    CATEGORIES = 5,
    STAGE = BATCH * (DATAGRAM + 16)
};

static volatile sig_atomic_t stopping;
static void stop(int sig)
{
    (void)sig;
    stopping = 1;
}

static const char* const names[CATEGORIES] = {"FIrWareLog.flg", "VPNLog.vlg", "UserAccessLog.ulg",
                                              "CallLog.clg", "WanLog.wlg"};

static int files[CATEGORIES];
static char stage[CATEGORIES][STAGE];
static size_t staged[CATEGORIES];
static unsigned long long readCount, storedCount;

static void writeAll(int fd, const char* p, size_t n)
{
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            perror("c_receiver: write");
            exit(1);
        }
        p += w;
        n -= (size_t)w;
    }
}

/* Cuts "<PRI>TIME HOST MESSAGE" into three lines of its category's stage. */
static void store(const char* d, size_t n)
{
    size_t close = 1;
    while (close < n && close <= 4 && d[close] != '>')
        close++;
    if (n < 3 || d[0] != '<' || close > 4 || close >= n)
        return;
    int pri = atoi(d + 1), facility = pri / 8;
    if (facility < 16 || facility > 20)
        return;
    int c = facility - 16;
    const char* text = d + close + 1;
    size_t len = n - close - 1;
    size_t timeLen = len < 15 ? len : 15;
    size_t hostStart = timeLen < len && text[timeLen] == ' ' ? timeLen + 1 : timeLen;
    size_t hostEnd = hostStart;
    while (hostEnd < len && text[hostEnd] != ' ')
        hostEnd++;
    size_t msgStart = hostEnd < len ? hostEnd + 1 : hostEnd;
    char* out = stage[c] + staged[c];
    memcpy(out, text, timeLen), out += timeLen, *out++ = '\r', *out++ = '\n';
    memcpy(out, text + hostStart, hostEnd - hostStart), out += hostEnd - hostStart;
    *out++ = '\r', *out++ = '\n';
    memcpy(out, text + msgStart, len - msgStart), out += len - msgStart;
    *out++ = '\r', *out++ = '\n';
    staged[c] = (size_t)(out - stage[c]);
    storedCount++;
}

static void flush(void)
{
    for (int c = 0; c < CATEGORIES; c++)
        if (staged[c]) {
            writeAll(files[c], stage[c], staged[c]);
            staged[c] = 0;
        }
}

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: c_receiver PORT FOLDER RCVBUF_BYTES [--simple]\n");
        return 2;
    }
    int simple = argc > 4 && strcmp(argv[4], "--simple") == 0;
    for (int c = 0; c < CATEGORIES; c++) {
        char path[4096];
        snprintf(path, sizeof path, "%s/%s", argv[2], names[c]);
        files[c] = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (files[c] < 0) {
            perror(path);
            return 1;
        }
    }
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int rcvbuf = atoi(argv[3]);
    if (setsockopt(s, SOL_SOCKET, SO_RCVBUFFORCE, &rcvbuf, sizeof rcvbuf) != 0)
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    struct sockaddr_in a = {.sin_family = AF_INET,
                            .sin_port = htons((unsigned short)atoi(argv[1])),
                            .sin_addr.s_addr = htonl(INADDR_LOOPBACK)};
    if (bind(s, (struct sockaddr*)&a, sizeof a) != 0) {
        perror("c_receiver: bind");
        return 1;
    }
    /* Signals interrupt the blocking receive (no SA_RESTART). */
    struct sigaction sa = {.sa_handler = stop};
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGINT, &sa, NULL);
    fprintf(stderr, "ready\n");

    static char buffers[BATCH][DATAGRAM];
    struct mmsghdr msgs[BATCH];
    struct iovec iov[BATCH];
    struct sockaddr_in from[BATCH];
    while (!stopping) {
        if (simple) {
            socklen_t fl = sizeof from[0];
            ssize_t n = recvfrom(s, buffers[0], DATAGRAM, 0, (struct sockaddr*)&from[0], &fl);
            if (n < 0)
                continue;
            readCount++;
            store(buffers[0], (size_t)n);
            flush();
            continue;
        }
        for (int i = 0; i < BATCH; i++) {
            iov[i] = (struct iovec){buffers[i], DATAGRAM};
            msgs[i].msg_hdr = (struct msghdr){.msg_name = &from[i],
                                              .msg_namelen = sizeof from[i],
                                              .msg_iov = &iov[i],
                                              .msg_iovlen = 1};
        }
        /* Blocks for the first datagram, then takes what is already waiting. */
        int got = recvmmsg(s, msgs, BATCH, MSG_WAITFORONE, NULL);
        if (got <= 0)
            continue;
        readCount += (unsigned long long)got;
        for (int i = 0; i < got; i++)
            store(buffers[i], msgs[i].msg_len);
        flush();
    }
    fprintf(stderr, "read %llu stored %llu\n", readCount, storedCount);
    return 0;
}
