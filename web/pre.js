// Runs before the program: the browser's storage folder is mounted and read back first, so
// the high-score table saved on an earlier visit is there when the game reads it.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function() {
  FS.mkdir('/save');
  FS.mount(IDBFS, {}, '/save');
  addRunDependency('brunolt-storage');
  FS.syncfs(true, function(error) {
    if (error) err('Brunolt: the browser storage could not be read: ' + error);
    removeRunDependency('brunolt-storage');
  });
});
