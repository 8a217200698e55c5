// One aircraft heard on the SBS feed.
#pragma once

#include <cstdint>
#include <string>

// A position copied as a unit: the broadcast extrapolates a copy, never the record.
// Longitude comes first.
struct AircraftPosition {
    double longitude = 0.0; // degrees, east positive
    double latitude = 0.0; // degrees, north positive
    bool valid = false; // longitude and latitude mean nothing until a position was accepted
};

// A plain record. Values are kept as the feed gives them (feet, knots, whole degrees, feet per
// minute); an empty text means unknown. The table that holds it owns it.
//
// The fields every feed line reads or writes come first, within the record's first two cache
// lines: with tens of thousands of aircraft the records are out of cache, and each line of the
// record a feed line touches is a wait for memory.
struct CTrackedAircraft {
    std::int64_t lastMessageTime = 0; // seconds since 1970, last accepted line
    std::int64_t lastPositionTime = 0; // seconds since 1970, last accepted position; 0 none
    AircraftPosition position;
    std::int32_t altitude = 0;
    std::int32_t groundSpeed = 0;
    std::int32_t track = 0;
    std::int32_t verticalRate = 0;
    // Place in the order the live aircraft were first heard: 0 for the one heard first. A purge
    // closes the gaps.
    std::int32_t arrivalIndex = 0;
    bool spiFlag = false;
    bool onGroundFlag = false;
    bool positionIgnored = false; // it reported a position the position rules did not take
    std::string callsign; // set at most once; read by every line until then
    std::string squawk;
    std::string hexId; // map key, exactly as received
    std::string registration; // from the icao24 table, at creation
    std::string aircraftType; // aircrafts table at creation, else the flight plan
    std::string departure; // flight plan columns, copied when the callsign is set
    std::string destination;
    std::string cruiseAltitude;
    std::string route;
};
