#include "StavoRecords.h"

CStavoStand::CStavoStand(const CStavoStand& other)
    : m_Column(other.m_Column)
    , m_Line(other.m_Line)
    , m_Area(other.m_Area)
    , m_Name(other.m_Name)
    , m_Label(other.m_Label)
    , m_Position { other.m_Position[0], other.m_Position[1] }
    , m_PositionValid { other.m_PositionValid[0], other.m_PositionValid[1] }
{
}

CStavoStand& CStavoStand::operator=(const CStavoStand& other)
{
    m_Column = other.m_Column;
    m_Line = other.m_Line;
    m_Area = other.m_Area;
    m_Name = other.m_Name;
    m_Label = other.m_Label;
    m_Position[0] = other.m_Position[0];
    m_Position[1] = other.m_Position[1];
    m_PositionValid[0] = other.m_PositionValid[0];
    m_PositionValid[1] = other.m_PositionValid[1];
    return *this;
}
