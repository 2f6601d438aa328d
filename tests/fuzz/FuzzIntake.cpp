// Datagram intake: sender filter, priority, dispatch, splitting and the append to the category's
// file, through the receiving socket's own path. The first input byte chooses the sender and the
// filter, the rest is the datagram.
#include "FuzzSupport.h"
#include "common/core/UiText.h"
#include "logs/core/AutoLogFiles.h"
#include "logs/core/LogFileReader.h"
#include "logs/core/LogList.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/HostFilter.h"
#include "receiver/core/PriorityDecoder.h"
#include "receiver/core/WanStatus.h"

#include <QFile>

#include <arpa/inet.h>

namespace quendal {
namespace {

// Each stored entry straight onto its list, on this thread.
struct ListSink : IntakeSink
{
    std::array<LogList, kCategoryCount> lists;
    void entryStored(LogCategory c, const LogEntryView& entry) override
    {
        lists[size_t(categoryIndex(c))].prepend(entry);
    }
};

struct Receiver
{
    ListSink sink;
    std::array<LogList, kCategoryCount>& lists = sink.lists;
    AutoLogFiles files{fuzz::scratchFolder()};
    std::unique_ptr<CSysLogSocket> socket;
    HostFilter& hosts;

    Receiver() : socket(makeSocket()), hosts(socket->hosts())
    {
        files.setReportToStandardError(false);
    }
    std::unique_ptr<CSysLogSocket> makeSocket()
    {
        return std::make_unique<CSysLogSocket>(sink, IntakeOutputs{&files});
    }
};

qint64 fileSize(const QString& path)
{
    return QFile(path).size();
}

} // namespace
} // namespace quendal

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    static Receiver r;
    fuzz::FuzzInput input(data, size);
    const uint8_t choice = input.byte();
    const QByteArrayView datagram = input.rest();

    // Sender 127.0.0.1 to 127.0.0.4; the filter on "Any", 127.0.0.1 or 127.0.0.2.
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7f000001u + (choice & 3u));
    from.sin_port = htons(514);
    const int selected = (choice >> 2) % 3;
    static const std::optional<QString> kChoices[] = {std::nullopt, QStringLiteral("127.0.0.1"),
                                                      QStringLiteral("127.0.0.2")};
    r.hosts.select(kChoices[selected]);
    for (LogList& list : r.lists)
        list.clear();
    for (LogCategory c : kAllCategories)
        QFile::remove(r.files.filePath(c));
    r.files.reopen(); // the files are kept open: let go of the removed ones at once

    const IntakeCounters before = r.socket->counters();
    const IntakeOutcome outcome = r.socket->takeIn(datagram, from);
    const IntakeCounters after = r.socket->counters();

    // Exactly one outcome per datagram.
    FUZZ_CHECK(after.read == before.read + 1);
    const quint64 outcomes = (after.filtered - before.filtered) +
                             (after.malformed - before.malformed) + (after.stored - before.stored) +
                             (after.statusReports - before.statusReports) +
                             (after.ignored - before.ignored);
    FUZZ_CHECK(outcomes == 1);

    // The filter: only the chosen sender, or every sender with "Any".
    const bool accepted = selected == 0 || int(choice & 3u) + 1 == selected;
    FUZZ_CHECK((after.filtered > before.filtered) == !accepted);
    // Recorded by the intake already.
    FUZZ_CHECK(r.hosts.record(SocketAddress(from).hostText()) == HostFilter::Recorded::Known);
    FUZZ_CHECK(outcome.cut == (datagram.size() > IntakeStep::kTextSize));
    if (after.stored == before.stored) {
        for (const LogList& list : r.lists)
            FUZZ_CHECK(list.size() == 0);
        return 0;
    }

    // Priority and dispatch: facility 16 to 20 is the category, severity 0 is red.
    const int headerEnd = outcome.priority.headerEnd;
    FUZZ_CHECK(datagram[0] == '<' && headerEnd >= 1 && headerEnd <= 4 &&
               datagram[headerEnd] == '>');
    const Priority p = decodePriority(datagram, headerEnd);
    FUZZ_CHECK(p.value == outcome.priority.value);
    FUZZ_CHECK(p.facility >= 16 && p.facility <= 20 && p.severity >= 0 && p.severity <= 7);
    const LogCategory category = *categoryForFacility(p.facility);
    LogList& list = r.lists[size_t(categoryIndex(category))];
    FUZZ_CHECK(list.size() == 1);
    const LogEntryView entry = list.entry(0);
    FUZZ_CHECK(entry.isEmergency() == (p.severity == 0));
    // The columns depend on the header's form (the message splitter's own target checks them);
    // what matters here is that the entry reaches its file whole.

    // The file holds the entry as exactly three CR LF lines, and they read back as the entry.
    QFile file(r.files.filePath(category));
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    FUZZ_CHECK(written.count("\r\n") == 3 && written.count('\n') == 3 && written.count('\r') == 3);
    FUZZ_CHECK(written.endsWith("\r\n"));
    for (LogCategory c : kAllCategories)
        FUZZ_CHECK(c == category || fileSize(r.files.filePath(c)) <= 0);
    LogRows rows;
    LogFileReader reader;
    for (const QByteArrayView line : fuzz::crLfLines(written))
        reader.AddLoadedLine(rows, line);
    FUZZ_CHECK(rows.size() == 1);
    const LogEntryView back = rows.at(0);
    FUZZ_CHECK(back.isEmergency() == entry.isEmergency());
    FUZZ_CHECK(back.host == fuzz::asFileLine(entry.host));
    FUZZ_CHECK(back.message == fuzz::asFileLine(entry.message));
    // An ordinary Time that would read back as an emergency's has its '[' written as a blank.
    QByteArray time = fuzz::asFileLine(entry.time);
    if (!entry.isEmergency() && time.startsWith('[') && time.indexOf(']') > 0)
        time[0] = ' ';
    FUZZ_CHECK(back.time == time);
    return 0;
}
