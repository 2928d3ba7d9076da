// Starts the page once every script of it has loaded.
'use strict';
window.Quorant.poll();
