#include "model_query.h"

#include "link_messages.h"
#include "link_state.h"
#include "message_service.h"

namespace lumivex {

namespace {

using Outcome = ModelQueryResult::Outcome;

ModelQueryResult queryOverDdc(LinkState& link)
{
    uint32_t value = 0;
    if (link.readVcp(kModelVcp, value) != 0)
        return {Outcome::ReadFailed};
    if (value == kFirstModelValue)
        return {Outcome::Known, 0};
    if (value == kSecondModelValue)
        return {Outcome::Known, 1};
    return {Outcome::Unknown};
}

ModelQueryResult queryOverSerial(LinkState& link)
{
    const std::optional<ModelReply> reply = link.requestModel();
    return {Outcome::Known, reply && reply->model == 1 ? 1 : 0, reply.has_value(), reply ? reply->model : -1};
}

}  // namespace

ModelQueryResult queryModel(LinkState& link, MessageService& messages)
{
    switch (link.interfaceMode()) {
    case InterfaceMode::DdcCi:
        return queryOverDdc(link);
    case InterfaceMode::Serial:
        return queryOverSerial(link);
    case InterfaceMode::None:
        break;
    }
    messages.info(QString::fromLatin1(link_messages::kNoLink));
    return {Outcome::NoLink};
}

QString modelTitle(const ModelQueryResult& result, const QString& modelName)
{
    switch (result.outcome) {
    case Outcome::Known:
        return QStringLiteral("ZEPTA-Lumivex ") + modelName + QStringLiteral(" V1.5");
    case Outcome::Unknown:
        return QStringLiteral("ZEPTA-Lumivex V1.5");
    case Outcome::NoLink:
    case Outcome::ReadFailed:
        break;
    }
    return {};
}

}  // namespace lumivex
