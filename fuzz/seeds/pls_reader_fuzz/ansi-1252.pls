1[playlist]
NumberOfEntries=2
File1=C:\café.mp3
File2=file:///C:/%D0%9C%C3%A9.mp3
File3=C:\déjà.mp3
