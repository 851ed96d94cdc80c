#include "mime/registries.h"

#include "mime/char_classes.h"
#include "mime/message_part.h"
#include "mime/transfer_coders.h"
#include "platform/ascii.h"

namespace ombrix::mime {

template <typename Product>
const typename Registry<Product>::Factory* Registry<Product>::find(std::string_view name) const {
    for (const Entry& entry : entries_) {
        if (equalsIgnoringCase(entry.name, name))
            return &entry.factory;
    }
    return nullptr;
}

namespace {

// Surrounding white space (a folded or padded value) does not change the name.
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isWhiteSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isWhiteSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

Registry<Coder> standardTransferCoders() {
    Registry<Coder> registry;
    registry.add("quoted-printable", [] { return std::make_unique<QuotedPrintableCoder>(); });
    registry.add("base64", [] { return std::make_unique<Base64Coder>(); });
    return registry;
}

void addFieldCoders(Registry<FieldCoder>& registry, FieldKind kind,
                    std::initializer_list<const char*> names) {
    for (const char* name : names)
        registry.add(name, [kind] { return std::make_unique<FieldCoder>(kind); });
}

Registry<FieldCoder> standardFieldCoders() {
    Registry<FieldCoder> registry;
    addFieldCoders(registry, FieldKind::Unstructured,
                   {"Subject", "Comments", "Content-Description"});
    addFieldCoders(registry, FieldKind::Address,
                   {"From", "To", "Resent-To", "Cc", "Resent-Cc", "Bcc", "Resent-Bcc", "Reply-To",
                    "Resent-Reply-To"});
    addFieldCoders(registry, FieldKind::Parameter, {"Content-Type", "Content-Disposition"});
    return registry;
}

} // namespace

const Registry<Coder>& transferCoderRegistry() {
    static const Registry<Coder> registry = standardTransferCoders();
    return registry;
}

const Registry<FieldCoder>& fieldCoderRegistry() {
    static const Registry<FieldCoder> registry = standardFieldCoders();
    return registry;
}

const Registry<MessagePart>& partRegistry() {
    // Every media type is served by the generic part; nothing registers a special one.
    static const Registry<MessagePart> registry;
    return registry;
}

std::unique_ptr<Coder> makeTransferCoder(std::string_view encoding) {
    if (const auto* factory = transferCoderRegistry().find(trimmed(encoding)))
        return (*factory)();
    return std::make_unique<CopyCoder>();
}

std::unique_ptr<FieldCoder> makeFieldCoder(std::string_view fieldName) {
    if (const auto* factory = fieldCoderRegistry().find(fieldName))
        return (*factory)();
    return std::make_unique<FieldCoder>(FieldKind::Plain);
}

std::unique_ptr<MessagePart> makePart(std::string_view mainType) {
    if (const auto* factory = partRegistry().find(mainType))
        return (*factory)();
    return std::make_unique<MessagePart>();
}

template class Registry<Coder>;
template class Registry<FieldCoder>;
template class Registry<MessagePart>;

} // namespace ombrix::mime
