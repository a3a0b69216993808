// The RECORD toggle on the data panel and its folder button: recording the live loop's samples
// to CSV files (ui/recorder.h does the writing), the recording's state on the panel, and the
// recording settings (folder, rows per file, rows a second) in a settings file of their own in
// the user's configuration folder, "Recording.cfg", beside which the panel settings file stays
// untouched.
//
// RECORD on arms recording; the file is opened with the first live sample, so its comment
// lines name the sensor that is really delivering. It stays open across STOP and GO and is
// flushed at every end of the live loop (STOP, link failure, connection page, closing the
// window); a different sensor at the next GO starts a new file, the same sensor goes on in the
// same file after a run marker line. RECORD off closes it. The rate choice beside RECORD applies
// at once, also to a recording under way.
#pragma once

#include <cstdint>

int CBF_ButtonRecord(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ButtonRecordFolder(int panel, int control, int event, void* data, int d1, int d2);
int CBF_RingRecordRate(int panel, int control, int event, void* data, int d1, int d2);
// Shows the stored rate on the data panel (at start).
void ShowRecordingSettings();

// The GO button's live loop: called before it starts and after it ended (whatever ended it).
void RecordingRunStarts();
void RecordingRunEnds();
// The link's live-sample notification: one sample of the loop is in LiveData; records it when
// recording is on. Does nothing outside the GO button's loop (the assistant's readings are not
// recorded).
void RecordLiveSample();
// The main window closes: the recording is written out and ended.
void RecordingWindowCloses();

// The recording settings: where the settings file is, and its values (the folder defaults to
// the user's documents folder, the row limit to 1,000,000, the rate to every sample: 0, else
// one of record::kRowRates). Store returns 0 or -1.
void RecordingSettingsPath(char* path, int cap);
void LoadRecordingSettings(char* folder, int cap, int64_t* rowLimit, int* rowsPerSecond = nullptr);
int StoreRecordingSettings(const char* folder, int64_t rowLimit, int rowsPerSecond = 0);
