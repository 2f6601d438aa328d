#include "netinfo/core/SocketRowTexts.h"

#include "common/core/UiText.h"
#include "common/core/DisplayText.h"
#include "netinfo/core/PortDefinitions.h"
#include "common/core/UdpSocket.h"

#include <array>

namespace quendal {
namespace {

// Fixed captions: the UI text table has no numbers for them.
const QString kKeywordCaption = QStringLiteral("Keyword");
const QString kDescriptionCaption = QStringLiteral("Description");

QString portText(quint16 port)
{
    return QString::number(port);
}

} // namespace

int tcpStateUiText(int state)
{
    static constexpr std::array<int, 12> kTexts = {9040, 9041, 9042, 9043, 9044, 9045,
                                                   9045, 9046, 9048, 9049, 9050, 9051};
    if (state < TcpClosed || state > TcpDeleteTcb)
        return 9047;
    return kTexts[size_t(state - TcpClosed)];
}

QString tcpStateName(int state)
{
    return GetUiText(tcpStateUiText(state));
}

QStringList tcpColumnCaptions(bool withPortDefinitions)
{
    QStringList captions;
    for (int number = 9055; number <= 9059; ++number)
        captions << GetUiText(number);
    if (withPortDefinitions)
        captions << kKeywordCaption << kDescriptionCaption;
    return captions;
}

QStringList udpColumnCaptions(bool withPortDefinitions)
{
    QStringList captions = {GetUiText(UiTextId::LocalAddressColumn), GetUiText(UiTextId::LocalPortColumn)};
    if (withPortDefinitions)
        captions << kKeywordCaption << kDescriptionCaption;
    return captions;
}

QStringList tcpRowTexts(const TcpRow& row, bool withPortDefinitions)
{
    QStringList texts = {dottedHostAddress(row.localAddress), portText(row.localPort),
                         dottedHostAddress(row.remoteAddress), portText(row.remotePort),
                         tcpStateName(row.state)};
    if (withPortDefinitions)
        texts << QString() << QString();
    return texts;
}

QStringList udpRowTexts(const UdpRow& row, bool withPortDefinitions)
{
    QStringList texts = {dottedHostAddress(row.localAddress), portText(row.localPort)};
    if (withPortDefinitions) {
        const auto line = portDefinitionFor(row.localPort);
        const QString annotation = line ? decodeForDisplay(*line) : QString();
        texts << annotation << annotation;
    }
    return texts;
}

QList<QStringList> tcpTableTexts(const std::vector<TcpRow>& rows, bool withPortDefinitions)
{
    QList<QStringList> texts;
    texts.reserve(qsizetype(rows.size()));
    for (const TcpRow& row : rows)
        texts << tcpRowTexts(row, withPortDefinitions);
    return texts;
}

QList<QStringList> udpTableTexts(const std::vector<UdpRow>& rows, bool withPortDefinitions)
{
    QList<QStringList> texts;
    texts.reserve(qsizetype(rows.size()));
    for (const UdpRow& row : rows)
        texts << udpRowTexts(row, withPortDefinitions);
    return texts;
}

} // namespace quendal
