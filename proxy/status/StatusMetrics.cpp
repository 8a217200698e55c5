#include "StatusMetrics.h"

namespace status {

void CDurationHistogram::Observe(double seconds)
{
    for (std::size_t i = 0; i < kBounds.size(); ++i) {
        if (seconds <= kBounds[i]) {
            ++m_nBuckets[i];
            break;
        }
    }
    ++m_nCount;
    m_dSum += seconds;
}

std::uint64_t CDurationHistogram::CumulativeCount(std::size_t bucket) const
{
    std::uint64_t count = 0;
    for (std::size_t i = 0; i <= bucket && i < m_nBuckets.size(); ++i)
        count += m_nBuckets[i];
    return count;
}

void CLineRate::Sample(std::int64_t now, std::int64_t total)
{
    if (!m_samples.empty() && (now < m_samples.back().first || total < m_samples.back().second))
        m_samples.clear(); // the clock went back, or the counter started again
    if (!m_samples.empty() && m_samples.back().first == now)
        m_samples.back().second = total;
    else
        m_samples.emplace_back(now, total);
    while (m_samples.size() > 2 && now - m_samples[1].first >= kWindowSeconds)
        m_samples.pop_front();
}

double CLineRate::PerSecond() const
{
    if (m_samples.size() < 2)
        return 0.0;
    const auto& [firstTime, firstTotal] = m_samples.front();
    const auto& [lastTime, lastTotal] = m_samples.back();
    return static_cast<double>(lastTotal - firstTotal) / static_cast<double>(lastTime - firstTime);
}

} // namespace status
