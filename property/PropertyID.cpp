#include "property/PropertyID.h"

int CBACnetPropertyID::IsChangeValue()
{
    return m_changeFlag;
}

void CBACnetPropertyID::ResetChangeValue()
{
    m_changeFlag = 0;
}

int CBACnetPropertyID::MakeFrameToMulti(unsigned char*, int&)
{
    return 0;
}

int CBACnetPropertyID::ReadFrameToMulti(unsigned char*, int&)
{
    return 0;
}

int CBACnetPropertyID::GetValue(CTagVal&, int)
{
    return 0;
}

int CBACnetPropertyID::SetValue(unsigned char*, int&, CTagVal&, int, unsigned short)
{
    return 0;
}

int CBACnetPropertyID::ReadFrame(unsigned char*, int&, int)
{
    return 0;
}

int CBACnetPropertyID::ReadFrameToEnd(unsigned char* buf, int& len, int end)
{
    const int accept = m_acceptEnd;
    m_acceptEnd = 1;
    const int result = ReadFrame(buf, len, end);
    m_acceptEnd = accept;
    return result;
}

int CBACnetPropertyID::MakeFrame(unsigned char*, int&, int)
{
    return 0;
}
