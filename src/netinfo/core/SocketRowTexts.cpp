#include "netinfo/core/SocketRowTexts.h"

#include "common/core/DisplayText.h"
#include "common/core/UdpSocket.h"
#include "common/core/UiText.h"
#include "netinfo/core/PortDefinitions.h"

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

UiTextId tcpStateUiText(int state)
{
    static constexpr std::array<UiTextId, 12> kTexts = {
        UiTextId::TcpClosed,      UiTextId::TcpListening,   UiTextId::TcpSynSent,
        UiTextId::TcpSynReceived, UiTextId::TcpEstablished, UiTextId::TcpFinWait,
        UiTextId::TcpFinWait,     UiTextId::TcpCloseWait,   UiTextId::TcpClosing,
        UiTextId::TcpLastAck,     UiTextId::TcpTimeWait,    UiTextId::TcpDeleteTcb};
    if (state < TcpClosed || state > TcpDeleteTcb)
        return UiTextId::TcpUnknownState;
    return kTexts[size_t(state - TcpClosed)];
}

QString tcpStateName(int state)
{
    return GetUiText(tcpStateUiText(state));
}

QStringList columnCaptions(const QList<UiTextId>& own, bool withPortDefinitions)
{
    QStringList captions;
    for (const UiTextId text : own)
        captions << GetUiText(text);
    if (withPortDefinitions)
        captions << kKeywordCaption << kDescriptionCaption;
    return captions;
}

QStringList rowTexts(const TcpRow& row, const PortDefinitions& definitions)
{
    QStringList texts = {dottedHostAddress(row.localAddress), portText(row.localPort),
                         dottedHostAddress(row.remoteAddress), portText(row.remotePort),
                         tcpStateName(row.state)};
    if (definitions.loaded())
        texts << QString() << QString();
    return texts;
}

QStringList rowTexts(const UdpRow& row, const PortDefinitions& definitions)
{
    QStringList texts = {dottedHostAddress(row.localAddress), portText(row.localPort)};
    if (definitions.loaded()) {
        const auto line = definitions.lineFor(row.localPort);
        const QString annotation = line ? decodeForDisplay(*line) : QString();
        texts << annotation << annotation;
    }
    return texts;
}

} // namespace quendal
