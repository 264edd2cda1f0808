#include "Poller.h"

#include "Requests.h"

namespace tool {

bool Poller::Add(const std::string& tag, std::string& error)
{
    Binding binding;
    if (!BindTag(tag, binding, error))
        return false;
    m_array.Add(binding.property.get());
    m_bindings.push_back(std::move(binding));
    return true;
}

void Poller::MakeRun(CBACnetReadMultiService& rpm, int first)
{
    int len = 0;
    rpm.MakeHeaderFrame(len, &m_device.record, first);
    for (int i = first; i < static_cast<int>(m_array.GetSize()); i++)
        if (!rpm.MakeBodyFrame(len, static_cast<CBACnetObjTypes*>(m_array.GetAt(i)), i))
            break;  // full: the run ends at rpm.m_last
}

bool Poller::PollOnce(Reply& failed, std::vector<Exchange>* exchanges)
{
    const int count = static_cast<int>(m_array.GetSize());
    bool ok = true;
    for (int first = 0; first < count;) {
        CBACnetReadMultiService rpm(first);
        MakeRun(rpm, first);
        Exchange exchange;
        exchange.first = first;
        exchange.last = rpm.m_last;
        exchange.request = TakeRequest(rpm);
        exchange.reply = m_client.Transact(m_device, exchange.request);
        if (exchange.reply.ok) {
            rpm.ReadBodyFrame(exchange.reply.Data(), exchange.reply.Length(), m_array);
        } else {
            failed = exchange.reply;
            ok = false;
        }
        first = rpm.m_last + 1;
        if (exchanges)
            exchanges->push_back(std::move(exchange));
    }
    return ok;
}

}  // namespace tool
