(function () {
  if (window.__nblFileInputs) return;
  window.__nblFileInputs = true;

  function report(input) {
    if (input instanceof HTMLInputElement && input.type === "file") {
      window.webkit.messageHandlers.NBL_HANDLER_NAME.postMessage(input.hasAttribute("webkitdirectory"));
    }
  }

  // Both run before the input's own activation opens the chooser.
  document.addEventListener("click", function (event) { report(event.target); }, true);
  // Inputs that never join the document are clicked by script only.
  var previousClick = HTMLInputElement.prototype.click;
  HTMLInputElement.prototype.click = function () {
    if (!this.isConnected) report(this);
    return previousClick.apply(this, arguments);
  };
  if (HTMLInputElement.prototype.showPicker) {
    var previousShowPicker = HTMLInputElement.prototype.showPicker;
    HTMLInputElement.prototype.showPicker = function () {
      report(this);
      return previousShowPicker.apply(this, arguments);
    };
  }
})();
