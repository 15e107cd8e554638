#include "panel/model_query.h"

#include "panel/link_messages.h"
#include "link/link_state.h"
#include "link/protocol.h"
#include "platform/message_service.h"

namespace lumivex {

namespace {

using Outcome = ModelQueryResult::Outcome;

ModelQueryResult queryOverDdc(LinkState& link)
{
    uint32_t value = 0;
    if (link.readVcp(protocol::kVcpModel, value) != 0)
        return {Outcome::ReadFailed};
    if (const std::optional<protocol::Model> model = protocol::decodeModelVcp(value))
        return {Outcome::Known, int32_t(*model)};
    return {Outcome::Unknown};
}

ModelQueryResult queryOverSerial(LinkState& link)
{
    const std::optional<ModelReply> reply = link.requestModel();
    const bool second = reply && reply->model == int32_t(protocol::Model::K420);
    const protocol::Model model = second ? protocol::Model::K420 : protocol::Model::K410;
    return {Outcome::Known, int32_t(model), reply.has_value(), reply ? reply->model : -1};
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
