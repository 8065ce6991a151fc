#pragma once
// What runs at program start before any window exists.
namespace tv {

// Creates the program folder with the shipped files, installs the report of
// failed INI writes, and runs the start-up of tq.conf (first-start flag,
// "LatestStart", first-start defaults) and reads the national cache-database
// table from CacheDB.conf. A failed write of tq.conf is shown
// once per run with the error box, as is a tq.conf or CacheDB.conf that
// cannot be read; the program keeps running either way.
void StartProgram();

// Takes the work folder of this run (the "WorkDir" of tq.conf, else the
// program folder) for the program before anything is written. False, after
// the error box saying so, when another running program holds that folder:
// this one must end without writing. A folder that cannot be locked (not
// there yet, read-only) is no reason to stop. Once the folder is taken, what
// killed writes left behind is removed: the temporary files in it, in the
// description folder ("OutDir") and beside the program (tq.conf's), the
// staging folders of a suitcase merge and the scratch file "Caches.bin.tmp"
// of a list conversion; whatever a writer of another process is still at
// work on stays.
bool TakeWorkFolderAtStart();

// The report of failed INI writes: logged while debug mode is on; for the
// tq.conf beside the program also the error box, once per run.
void InstallIniFailureReport();

// The start-up of tq.conf (StartSettingsFile). A tq.conf that is there but
// cannot be read is no first start: it is told with the error box and left
// as it is, the run goes on with the defaults, and the failed writes of the
// run tell nothing more.
void OpenSettingsAtStart();
// Reads CacheDB.conf (ReadCacheDBConf); one that is there but cannot be read
// is told with the error box, and the table stays empty.
void ReadCacheDBConfAtStart();

}  // namespace tv
