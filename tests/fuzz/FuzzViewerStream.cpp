// What a viewer or the service reads from the viewer socket: any bytes, cut anywhere, give whole
// frames or a failed reader, never more than the maximum held; any frame decodes to a message
// or to nothing, and a decoded batch encodes and decodes to the same entries.
#include "FuzzSupport.h"
#include "viewer/core/ViewerProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    fuzz::FuzzInput input(data, size);
    const size_t cut = input.byte() + 1;
    const QByteArrayView stream = input.rest();

    ViewerFrameReader reader;
    for (qsizetype at = 0; at < stream.size(); at += qsizetype(cut)) {
        reader.append(stream.sliced(at, qMin(qsizetype(cut), stream.size() - at)));
        while (const auto frame = reader.next()) {
            FUZZ_CHECK(frame->size() <= kMaxViewerFrameBytes);
            auto message = decodeViewerMessage(*frame);
            if (!message || !std::holds_alternative<ViewerBatch>(*message))
                continue;
            const ViewerBatch& batch = std::get<ViewerBatch>(*message);
            std::vector<std::pair<LogCategory, LogEntry>> again;
            for (const QByteArray& part : encodeViewerBatch(batch)) {
                auto back = decodeViewerMessage(QByteArrayView(part).sliced(4));
                FUZZ_CHECK(back && std::holds_alternative<ViewerBatch>(*back));
                for (auto& e : std::get<ViewerBatch>(*back).entries)
                    again.push_back(std::move(e));
            }
            FUZZ_CHECK(again == batch.entries);
            const ReceptionBatch rows =
                std::get<ViewerBatch>(std::move(*message)).toReceptionBatch();
            FUZZ_CHECK(rows.newSenders.size() <= qsizetype(again.size()) + rows.newSenders.size());
        }
    }
    // The raw input as one frame's contents, too.
    (void)decodeViewerMessage(stream);
    return 0;
}
