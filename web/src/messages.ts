// The page's own words to the student: the status notice, the message box
// the core's messages share, and the one question it asks.
import { $ } from './state';

export interface Message {
  text: string;
  caption: string;
  icon: string;
}

export function notice(msg: string) {
  const el = $('notice');
  if (!msg && !el.textContent) return; // nothing to clear: the line is not laid out again
  el.textContent = '';
  // a fresh text node each time, so the same words are announced again
  requestAnimationFrame(() => (el.textContent = msg));
  el.textContent = msg;
}

export function showMessages(msgs: Message[]) {
  const box = $('messages');
  if (msgs.length === 0 && !box.firstChild) return;
  box.replaceChildren();
  for (const m of msgs) {
    const div = document.createElement('div');
    div.className = `msg ${m.icon}`;
    const cap = document.createElement('span');
    cap.className = 'caption';
    cap.textContent = m.caption;
    const body = document.createElement('span');
    body.className = 'text';
    body.textContent = m.text;
    div.append(cap, body);
    box.append(div);
  }
}

export function pageMessage(textMsg: string, caption = 'MOX77', icon = 'information') {
  showMessages([{ text: textMsg, caption, icon }]);
}

export function ask(question: string, yes = 'Replace', no = 'Keep my text'): Promise<boolean> {
  const dlg = $<HTMLDialogElement>('ask');
  $('ask-text').textContent = question;
  $('ask-yes').textContent = yes;
  $('ask-no').textContent = no;
  return new Promise((resolve) => {
    const done = (answer: boolean) => {
      $('ask-yes').onclick = null;
      $('ask-no').onclick = null;
      dlg.onclose = null;
      if (dlg.open) dlg.close();
      resolve(answer);
    };
    $('ask-yes').onclick = () => done(true);
    $('ask-no').onclick = () => done(false);
    dlg.onclose = () => done(false);
    dlg.showModal();
    $('ask-no').focus();
  });
}
