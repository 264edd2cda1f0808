#include "client/Poller.h"

namespace bacnet {

namespace {

bool SameFailure(const Failure& a, const Failure& b)
{
    return a.m_kind == b.m_kind && a.m_errorClass == b.m_errorClass && a.m_errorCode == b.m_errorCode &&
           a.m_reason == b.m_reason;
}

}  // namespace

size_t Poller::Bind(const ObjectId& object, PropertyId property, uint32_t index)
{
    Tag tag;
    tag.m_access = ReadAccess{object, property, index};
    m_tags.push_back(tag);
    return m_tags.size() - 1;
}

Result<std::vector<Poller::Change>> Poller::Poll()
{
    std::vector<ReadAccess> accesses;
    accesses.reserve(m_tags.size());
    for (const Tag& tag : m_tags)
        accesses.push_back(tag.m_access);
    Result<std::vector<Result<Value>>> read = m_client.ReadPropertyMultiple(m_device, accesses);
    if (!read)
        return read.failure();
    std::vector<Change> changes;
    for (size_t i = 0; i < m_tags.size() && i < read->size(); i++) {
        Tag& tag = m_tags[i];
        const Result<Value>& result = read.value()[i];
        bool changed;
        if (result) {
            changed = !tag.m_known || tag.m_failed || tag.m_value != *result;
            tag.m_value = *result;
            tag.m_failed = false;
        } else {
            changed = !tag.m_known || !tag.m_failed || !SameFailure(tag.m_failure, result.failure());
            tag.m_failure = result.failure();
            tag.m_failed = true;
        }
        tag.m_known = true;
        if (changed)
            changes.push_back(Change{i, result});
    }
    return changes;
}

const Value* Poller::Current(size_t tag) const
{
    if (tag >= m_tags.size() || !m_tags[tag].m_known || m_tags[tag].m_failed)
        return nullptr;
    return &m_tags[tag].m_value;
}

}  // namespace bacnet
