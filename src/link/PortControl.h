#pragma once

class LiveSettings;
class SerialLine;
class UserMessages;

// The serial port to the scale: the port profile of each scale type, start
// and stop of reception, and the reopening that resynchronises with the
// scale's frames.
class PortControl
{
public:
    PortControl(SerialLine &line, const LiveSettings &settings, UserMessages &messages);

    // Closes the port if open, selects port number portNumber, applies the profile of the
    // configured scale type and opens the port, discarding what waits.
    // Returns the code of the last step that failed (0: none); whether the
    // port is open is what tells the outcome. A port number the line refuses
    // stops the sequence: nothing is configured or opened.
    int PreparePort(int portNumber);
    // Whether the last PreparePort stopped at a refused port number.
    bool portNumberRefused() const { return m_portRefused; }

    // PreparePort with the port number of the settings. A port text that is
    // no number, or a number the line refuses, leaves the port closed and is
    // explained to the operator; false then.
    bool prepareConfiguredPort();
    // PreparePort with the port number of the settings, telling nobody
    // anything: for reopening a lost line. True when the port is open.
    bool reopenQuietly();

    // Opens the port for reception; "Port is closed!" when it cannot be.
    void StartReading();
    // Sets the break state and closes the port; nothing when closed.
    void StopReading();

    // Waits that long without using the processor; processes nothing.
    static void Pause(float seconds);

private:
    SerialLine &m_line;
    const LiveSettings &m_settings;
    UserMessages &m_messages;
    bool m_portRefused = false;
    int m_openFailure = 0; // what opening the port last answered
};
