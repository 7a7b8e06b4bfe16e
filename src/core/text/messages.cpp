#include "core/text/messages.h"

#include "core/text/lang_ini.h"
#include "core/text/language_text.h"

namespace tern::text {

namespace {

constexpr ErrorMessage kErrorMessages[] = {
    kMsgErrEBeacon,
    kMsgErrERts,
    kMsgErrEFragRang,
    kMsgErrEFragEven,
    kMsgErrEDtim,
    kMsgErrIp,
    kMsgErrIp1Rang,
    kMsgErrIp4Rang,
    kMsgErrGateway4Rang,
    kMsgErrPortRang,
    kMsgErrFixIp1,
    kMsgErrSubnet,
    kMsgErrGateway,
    kMsgErrDomain,
    kMsgErrMacValue,
    kMsgErrIp1IpCheck,
    kMsgErrIp1DhcpRange,
    kMsgErrIpDomainDhcpRange,
    kMsgErrRadius1,
    kMsgErrIp1Radius,
    kMsgChkNull,
    kMsgErrWepKey,
    kMsgErrWepKeyStr1,
    kMsgErrWepKeyStr2,
    kMsgOldFirmware,
    kMsgOldFirmware1,
    kMsgErrApply,
    kMsgMac,
    kMsgAp,
    kMsgErrId,
    kMsgErrApp,
    kMsgErrNoReply,
    kMsgErrMissing,
    kMsgErrUnmatched,
    kMsgErrRefused,
    kMsgErrCharset,
    kMsgErrTextLength,
    kMsgErrBuild,
};

// The messages CheckRange can give, all with the "Setting Error" defaults.
constexpr const ErrorMessage* kRangeErrorMessages[] = {
    &kMsgErrEBeacon, &kMsgErrERts,     &kMsgErrEFragRang,    &kMsgErrEFragEven,
    &kMsgErrEDtim,   &kMsgErrIp,       &kMsgErrIp1Rang,      &kMsgErrIp4Rang,
    &kMsgErrFixIp1,  &kMsgErrPortRang, &kMsgErrGateway4Rang,
};

constexpr PairedMessage kPairedMessages[] = {
    kMsgNoSelect,  kMsgNoSelect1, kMsgNoSelect2,  kMsgNoSelect3,
    kMsgNoSelect4, kMsgUpdateMsg, kMsgUpdateFail, kQuitQuestion,
};

}  // namespace

std::span<const ErrorMessage> ErrorMessages() { return kErrorMessages; }

const ErrorMessage* FindRangeErrorMessage(QByteArrayView key) {
    for (const ErrorMessage* message : kRangeErrorMessages) {
        if (message->key == key) return message;
    }
    return nullptr;
}

std::span<const PairedMessage> PairedMessages() { return kPairedMessages; }

MessageBytes LookupMessage(const LangIni& ini, const ErrorMessage& message) {
    MessageBytes result;
    result.text = message.has_text
                      ? ini.lookup(kSectionErrorText, message.key, message.text_default)
                      : message.text_default.toByteArray();
    result.caption = message.has_caption
                         ? ini.lookup(kSectionErrorCaption, message.key, message.caption_default)
                         : message.caption_default.toByteArray();
    return result;
}

MessageBytes LookupMessage(const LangIni& ini, const PairedMessage& message) {
    return MessageBytes{ini.lookup(message.section, message.text_key, message.text_default),
                        ini.lookup(message.section, message.caption_key, message.caption_default)};
}

MessageText LookupMessage(const LanguageText& language, const ErrorMessage& message) {
    const MessageBytes bytes = LookupMessage(language.ini(), message);
    return MessageText{language.screenText(bytes.text), language.screenText(bytes.caption)};
}

MessageText LookupMessage(const LanguageText& language, const PairedMessage& message) {
    const MessageBytes bytes = LookupMessage(language.ini(), message);
    return MessageText{language.screenText(bytes.text), language.screenText(bytes.caption)};
}

}  // namespace tern::text
